// The converter's view of "TarnMedia.ini": the running file counter and a title's whole set of
// settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "base/setting_key.h"
#include "base/tarnmedia_keys.h"

namespace tarn::settings {

// Reading buffers of single keys: 19 characters for `FileDefault`, 2 for `Mode` in the video
// page's radio-button switch.
inline constexpr std::size_t kFileDefaultBuffer = 20;
inline constexpr std::size_t kModeSwitchBuffer = 3;

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
  std::string saveDir;         // output folder, with its trailing separator
  std::int32_t limitSize = 0;  // bytes, a whole number of MiB
  std::int32_t brightness = 0;
  std::int32_t contrast = 0;
  std::int32_t saturation = 0;  // `S`: 9 - the slider position
  std::int32_t enhance = 0;     // 10 - the slider position
  std::int32_t mode = 0;
  std::int32_t channel = 0;
  std::int32_t volumeEx = 0;
  std::int32_t musicMode = 0;
  bool changeScale = false;
  bool fullOut = false;
  std::int32_t imageV = 0;  // height / 8
  std::int32_t imageH = 0;  // width / 8
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
