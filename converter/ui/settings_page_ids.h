// The settings dialog's numbers: the dialog, its pages and their controls. Pages reuse numbers
// (1015 is a box on three of them); a control is known by its page's dialog number and its own.
#pragma once

namespace tarn::conv::ui {

inline constexpr int kAdvancedDialogId = 129;
inline constexpr int kOutputPageId = 130;
inline constexpr int kVideoPageId = 131;
inline constexpr int kRatioPageId = 132;
inline constexpr int kAudioPageId = 146;

inline constexpr int kConfirmButton = 1026;  // "确认"
inline constexpr int kCancelButton = 1003;   // "取消"

namespace output_page {
inline constexpr int kFolderBox = 1015;
inline constexpr int kBrowseButton = 1024;
inline constexpr int kPowerOffCheck = 1034;
inline constexpr int kBatchCheck = 1035;
inline constexpr int kJoinCheck = 1069;
}  // namespace output_page

namespace video_page {
inline constexpr int kModeCombo = 1004;
inline constexpr int kContrastBox = 1015;
inline constexpr int kGbaDefaultsButton = 1024;
inline constexpr int kBrightnessBox = 1028;
inline constexpr int kBrightnessBar = 1030;
inline constexpr int kSharpeningBar = 1031;
inline constexpr int kContrastBar = 1042;
inline constexpr int kSaturationBar = 1043;
inline constexpr int kSharpeningBox = 1059;
inline constexpr int kSaturationBox = 1063;
inline constexpr int kNdsDefaultsButton = 1065;
inline constexpr int kGbaRadio = 1077;
inline constexpr int kNdsRadio = 1078;
}  // namespace video_page

namespace audio_page {
inline constexpr int kModeCombo = 1004;
inline constexpr int kVolumeBox = 1015;
inline constexpr int kVolumeBar = 1017;
inline constexpr int kLeftRadio = 1073;
inline constexpr int kRightRadio = 1074;
}  // namespace audio_page

namespace ratio_page {
inline constexpr int kWidthBar = 1017;
inline constexpr int kHeightBar = 1029;
inline constexpr int kChangeScaleCheck = 1034;
inline constexpr int kFullOutCheck = 1035;
inline constexpr int kWidthBox = 1060;
inline constexpr int kHeightBox = 1061;
inline constexpr int kAreaBox = 1062;
}  // namespace ratio_page

}  // namespace tarn::conv::ui
