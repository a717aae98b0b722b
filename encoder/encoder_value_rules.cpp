#include "encoder/encoder_value_rules.h"

#include <algorithm>

#include "base/ascii_text.h"

namespace tarn::settings {

std::int32_t ApplyTwoDigitRule(std::string_view text, std::int32_t preset) {
  std::int32_t value = preset;
  if (!text.empty() && IsDigit(text[0])) value = text[0] - '0';
  if (text.size() >= 2 && IsDigit(text[1])) value = value * 10 + (text[1] - '0');
  return value;
}

std::int32_t ApplyOneDigitRule(std::string_view text, std::int32_t preset, char lowest, char highest) {
  if (!text.empty() && text[0] >= lowest && text[0] <= highest) return text[0] - '0';
  return preset;
}

std::int32_t PictureSizeInPixels(std::string_view text, std::int32_t preset, std::int32_t maxPixels) {
  return std::clamp(ApplyTwoDigitRule(text, preset) * 8, 8, maxPixels);
}

}  // namespace tarn::settings
