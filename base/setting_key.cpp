#include "base/setting_key.h"

#include <algorithm>
#include <limits>

#include "base/ascii_text.h"
#include "base/windows_paths.h"

namespace tarn::settings {
namespace {

std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

bool IsDecimalSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t DecimalValue(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsDecimalSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  // Enough to hold any saturated result; digits beyond it only keep it saturated.
  constexpr std::int64_t kCeiling = std::int64_t{1} << 40;
  std::int64_t magnitude = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    magnitude = std::min(magnitude * 10 + (text[at] - '0'), kCeiling);
  }
  return Saturate(negative ? -magnitude : magnitude);
}

std::string ReadText(const ProfileFile& profile, const SettingKey& key, std::size_t bufferSize) {
  return profile.Read(key.section, key.name, key.defaultText, bufferSize);
}

std::string ReadPath(const ProfileFile& profile, const SettingKey& key, std::size_t bufferSize) {
  return MapWindowsPathText(ReadText(profile, key, bufferSize));
}

std::int32_t ReadNumber(const ProfileFile& profile, const SettingKey& key, std::size_t bufferSize) {
  return DecimalValue(ReadText(profile, key, bufferSize));
}

std::error_code WriteText(const ProfileFile& profile, const SettingKey& key, std::string_view value) {
  return profile.Write(key.section, key.name, value);
}

std::error_code WriteNumber(const ProfileFile& profile, const SettingKey& key, std::int64_t value) {
  return WriteText(profile, key, std::to_string(value));
}

}  // namespace tarn::settings
