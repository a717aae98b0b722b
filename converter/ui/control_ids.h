// The main window's dialog and control numbers. Every control carries its number as the dynamic
// property "controlId", so that help topics and tests find it.
#pragma once

namespace tarn::conv::ui {

inline constexpr char kControlIdProperty[] = "controlId";

inline constexpr int kAboutDialogId = 100;
inline constexpr int kMainDialogId = 102;

enum ControlId : int {
  kIdOk = 1,
  kIdCancel = 2,
  kConvertButton = 1002,
  kAudioList = 1005,
  kOpenDriveButton = 1018,
  kAboutButton = 1019,
  kPreviewButton = 1020,
  kOpenButton = 1022,
  kLimitBox = 1027,
  kAdvancedButton = 1036,
  kCurrentSizeBox = 1037,
  kLimitBar = 1039,
  kSubtitleList = 1040,
  kLinkText = 1056,
  kHiddenLink = 1057,
  kChapterList = 1068,
  kTitleList = 1072,
};

// The about item of the window's menu; the original placed it in the system menu as command 16.
inline constexpr int kAboutCommand = 16;

}  // namespace tarn::conv::ui
