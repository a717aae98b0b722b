#include "converter/settings/converter_settings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "base/profile_document.h"

namespace tarn::settings {
namespace {

std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

std::string_view FlagText(bool value) { return value ? "1" : "0"; }

}  // namespace

std::string ReadFileDefault(const ProfileFile& profile) {
  return ReadText(profile, keys::kFileDefault, kFileDefaultBuffer);
}

std::string FormatFileDefault(std::int64_t counter) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%05lld", static_cast<long long>(counter));
  return text.data();
}

std::error_code AdvanceFileDefault(const ProfileFile& profile) {
  const std::int64_t next = std::int64_t{DecimalValue(ReadFileDefault(profile))} + 1;
  return WriteText(profile, keys::kFileDefault, FormatFileDefault(next));
}

ClaimedCounter ClaimFileDefault(const ProfileFile& profile, const std::function<bool(std::string_view)>& reserve) {
  // Enough for any folder a user fills; beyond it something else is wrong (an unwritable folder).
  constexpr int kMostPassed = 100000;
  ClaimedCounter claimed;
  claimed.error = profile.Modify([&](ProfileDocument& document) {
    claimed.passed = 0;
    const auto stored = document.Find(keys::kFileDefault.section, keys::kFileDefault.name);
    claimed.counter = CutToBuffer(stored.value_or(std::string(keys::kFileDefault.defaultText)), kFileDefaultBuffer);
    while (!reserve(claimed.counter)) {
      if (++claimed.passed > kMostPassed) return std::make_error_code(std::errc::file_exists);
      claimed.counter = FormatFileDefault(std::int64_t{DecimalValue(claimed.counter)} + 1);
    }
    const std::string next = FormatFileDefault(std::int64_t{DecimalValue(claimed.counter)} + 1);
    return document.Set(keys::kFileDefault.section, keys::kFileDefault.name, next);
  });
  return claimed;
}

TitleSettings ReadTitleSettings(const ProfileFile& profile) {
  TitleSettings settings;
  settings.saveDir = ReadPath(profile, keys::kSaveDir);
  settings.limitSize = ReadNumber(profile, keys::kLimitSize);
  settings.brightness = ReadNumber(profile, keys::kBrightness);
  settings.contrast = ReadNumber(profile, keys::kContrast);
  settings.saturation = ReadNumber(profile, keys::kSaturation);
  settings.enhance = ReadNumber(profile, keys::kEnhance);
  settings.mode = ReadNumber(profile, keys::kMode);
  settings.channel = ReadNumber(profile, keys::kChannel);
  settings.volumeEx = ReadNumber(profile, keys::kVolumeEx);
  settings.musicMode = ReadNumber(profile, keys::kMusicMode);
  settings.changeScale = ReadNumber(profile, keys::kChangeScale) != 0;
  settings.fullOut = ReadNumber(profile, keys::kFullOut) != 0;
  settings.imageV = ReadNumber(profile, keys::kImageV);
  settings.imageH = ReadNumber(profile, keys::kImageH);
  return settings;
}

std::error_code WriteTitleSettings(const ProfileFile& profile, const TitleSettings& settings) {
  const std::array numbers = {
      std::to_string(settings.limitSize),  std::to_string(settings.brightness), std::to_string(settings.contrast),
      std::to_string(settings.saturation), std::to_string(settings.enhance),    std::to_string(settings.mode),
      std::to_string(settings.channel),    std::to_string(settings.volumeEx),   std::to_string(settings.musicMode),
      std::to_string(settings.imageV),     std::to_string(settings.imageH)};
  auto entry = [](const SettingKey& key, std::string_view value) { return ProfileEntry{key.section, key.name, value}; };
  const std::array entries = {entry(keys::kSaveDir, settings.saveDir),
                              entry(keys::kLimitSize, numbers[0]),
                              entry(keys::kBrightness, numbers[1]),
                              entry(keys::kContrast, numbers[2]),
                              entry(keys::kSaturation, numbers[3]),
                              entry(keys::kEnhance, numbers[4]),
                              entry(keys::kMode, numbers[5]),
                              entry(keys::kChannel, numbers[6]),
                              entry(keys::kVolumeEx, numbers[7]),
                              entry(keys::kMusicMode, numbers[8]),
                              entry(keys::kChangeScale, FlagText(settings.changeScale)),
                              entry(keys::kFullOut, FlagText(settings.fullOut)),
                              entry(keys::kImageV, numbers[9]),
                              entry(keys::kImageH, numbers[10])};
  return profile.Write(entries);
}

std::int32_t LimitSizeInMiB(std::int32_t limitSizeBytes) { return limitSizeBytes / 1048576; }

std::int32_t SaturationPosition(std::int32_t storedS) { return Saturate(9 - std::int64_t{storedS}); }

std::int32_t SharpeningPosition(std::int32_t storedEnhance) { return Saturate(10 - std::int64_t{storedEnhance}); }

std::int32_t PixelsFromUnits(std::int32_t storedImageSize) { return Saturate(std::int64_t{storedImageSize} * 8); }

}  // namespace tarn::settings
