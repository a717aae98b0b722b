// Typed access to one key of a settings file: the key with its default text, plain decimal
// reading and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "base/profile_file.h"

namespace tarn::settings {

struct SettingKey {
  std::string_view section;
  std::string_view name;
  std::string_view defaultText;  // the converter's usual default

  // The same key read with another default, for the few readers that use one.
  constexpr SettingKey WithDefault(std::string_view text) const { return {section, name, text}; }
};

// The usual reading buffer: 259 characters.
inline constexpr std::size_t kConverterValueBuffer = 260;

// Leading blanks, an optional sign and the digits that follow; anything else reads as 0.
// Out-of-range numbers saturate instead of overflowing.
std::int32_t DecimalValue(std::string_view text);

std::string ReadText(const ProfileFile& profile, const SettingKey& key, std::size_t bufferSize = kConverterValueBuffer);
// ReadText with Windows-form texts ("C:\...") mapped to the home folder.
std::string ReadPath(const ProfileFile& profile, const SettingKey& key, std::size_t bufferSize = kConverterValueBuffer);
std::int32_t ReadNumber(const ProfileFile& profile, const SettingKey& key,
                        std::size_t bufferSize = kConverterValueBuffer);

std::error_code WriteText(const ProfileFile& profile, const SettingKey& key, std::string_view value);
std::error_code WriteNumber(const ProfileFile& profile, const SettingKey& key, std::int64_t value);

}  // namespace tarn::settings
