// The keys of "TarnMedia.ini" with the converter's default texts. The converter writes them all;
// the audio encoder reads the "AudioOut" ones.
#pragma once

#include <string_view>

#include "base/setting_key.h"

namespace tarn::settings {

namespace keys {
inline constexpr std::string_view kSaveMovie = "SaveMovie";
inline constexpr std::string_view kAudioOut = "AudioOut";

inline constexpr SettingKey kMovieFileName{kSaveMovie, "FileName", "C:\\0000000000.tmv(tms)"};
inline constexpr SettingKey kFileDefault{kSaveMovie, "FileDefault", "0"};
inline constexpr SettingKey kLimitSize{kSaveMovie, "LimitSize", "536870912"};
inline constexpr SettingKey kMode{kSaveMovie, "Mode", "0"};
inline constexpr SettingKey kContrast{kSaveMovie, "Contrast", "60"};
inline constexpr SettingKey kBrightness{kSaveMovie, "Brightness", "60"};
inline constexpr SettingKey kSaturation{kSaveMovie, "S", "3"};
inline constexpr SettingKey kEnhance{kSaveMovie, "Enhance", "4"};
inline constexpr SettingKey kImageH{kSaveMovie, "ImageH", "30"};
inline constexpr SettingKey kImageV{kSaveMovie, "ImageV", "20"};
inline constexpr SettingKey kChangeScale{kSaveMovie, "ChangeScale", "0"};
inline constexpr SettingKey kFullOut{kSaveMovie, "FullOut", "0"};
inline constexpr SettingKey kOff{kSaveMovie, "Off", "0"};
inline constexpr SettingKey kBatch{kSaveMovie, "Batch", "0"};
inline constexpr SettingKey kCon{kSaveMovie, "Con", "0"};

// Nothing in the converter reads the sound file's name; the audio encoder falls back on a name
// beside the movie file's default.
inline constexpr SettingKey kSoundFileName{kAudioOut, "FileName", "C:\\temp.tms"};
inline constexpr SettingKey kSaveDir{kAudioOut, "SaveDir", "C:\\"};
inline constexpr SettingKey kChannel{kAudioOut, "Channel", "0"};
inline constexpr SettingKey kMusicMode{kAudioOut, "MusicMode", "0"};
inline constexpr SettingKey kVolumeEx{kAudioOut, "VolumeEx", "50"};

// Defaults of single readers: the progress display's movie name, the NDS radio button's `Mode`,
// and `Batch`/`Con` of a preview run.
inline constexpr std::string_view kProgressFileNameDefault = "tempfile";
inline constexpr std::string_view kNdsModeDefault = "4";
inline constexpr std::string_view kPreviewBatchConDefault = "1";
}  // namespace keys

}  // namespace tarn::settings
