// The converter's view of "TarnMedia.ini": its keys with its default texts, its plain decimal
// reading, the running file counter and a title's whole set of settings. The audio encoder uses
// the "AudioOut" keys from here as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "encoder/settings/profile_file.h"

namespace tarn::settings {

struct SettingKey {
  std::string_view section;
  std::string_view name;
  std::string_view defaultText;  // the converter's usual default

  // The same key read with another default, for the few readers that use one.
  constexpr SettingKey WithDefault(std::string_view text) const { return {section, name, text}; }
};

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

// Reading buffers: 259 characters in general, 19 for `FileDefault`, 2 for `Mode` in the video
// page's radio-button switch.
inline constexpr std::size_t kConverterValueBuffer = 260;
inline constexpr std::size_t kFileDefaultBuffer = 20;
inline constexpr std::size_t kModeSwitchBuffer = 3;

// Leading blanks, an optional sign and the digits that follow; anything else reads as 0.
// Out-of-range numbers saturate instead of overflowing.
std::int32_t DecimalValue(std::string_view text);

std::string ReadText(const ProfileFile& profile, const SettingKey& key,
                     std::size_t bufferSize = kConverterValueBuffer);
// ReadText with Windows-form texts ("C:\...") mapped to the home folder.
std::string ReadPath(const ProfileFile& profile, const SettingKey& key,
                     std::size_t bufferSize = kConverterValueBuffer);
std::int32_t ReadNumber(const ProfileFile& profile, const SettingKey& key,
                        std::size_t bufferSize = kConverterValueBuffer);

std::error_code WriteText(const ProfileFile& profile, const SettingKey& key, std::string_view value);
std::error_code WriteNumber(const ProfileFile& profile, const SettingKey& key, std::int64_t value);

// The running counter put into output names, exactly as stored ("0" before the first ever).
std::string ReadFileDefault(const ProfileFile& profile);
// Stores the counter plus one as "%05d": "00009" becomes "00010".
std::error_code AdvanceFileDefault(const ProfileFile& profile);
std::string FormatFileDefault(std::int64_t counter);

// The running counter taken for one segment, under the writers' lock so that runs sharing the
// file never take the same one. `reserve` is asked with each candidate (the stored text first,
// then each next one): it claims the names the counter makes, or says they are taken. The next
// counter after the one reserved is stored.
struct ClaimedCounter {
  std::string counter;  // as it goes into the names
  int passed = 0;       // counters passed over because their names were taken
  std::error_code error;
};
ClaimedCounter ClaimFileDefault(const ProfileFile& profile, const std::function<bool(std::string_view)>& reserve);

// One title's settings as the file stores them.
struct TitleSettings {
  std::string saveDir;             // output folder, with its trailing separator
  std::int32_t limitSize = 0;      // bytes, a whole number of MiB
  std::int32_t brightness = 0;
  std::int32_t contrast = 0;
  std::int32_t saturation = 0;     // `S`: 9 - the slider position
  std::int32_t enhance = 0;        // 10 - the slider position
  std::int32_t mode = 0;
  std::int32_t channel = 0;
  std::int32_t volumeEx = 0;
  std::int32_t musicMode = 0;
  bool changeScale = false;
  bool fullOut = false;
  std::int32_t imageV = 0;         // height / 8
  std::int32_t imageH = 0;         // width / 8
};

// Every key of the set, with the converter's defaults.
TitleSettings ReadTitleSettings(const ProfileFile& profile);

// The whole set in one replacement of the file, in the order SaveDir, LimitSize, Brightness,
// Contrast, S, Enhance, Mode, Channel, VolumeEx, MusicMode, ChangeScale, FullOut, ImageV, ImageH,
// so that the encoder never sees half of one title's settings.
std::error_code WriteTitleSettings(const ProfileFile& profile, const TitleSettings& settings);

// What the settings pages show of stored values, without overflow on nonsense values.
std::int32_t LimitSizeInMiB(std::int32_t limitSizeBytes);
std::int32_t SaturationPosition(std::int32_t storedS);
std::int32_t SharpeningPosition(std::int32_t storedEnhance);
std::int32_t PixelsFromUnits(std::int32_t storedImageSize);

}  // namespace tarn::settings
