// How the video encoder filter turns the texts of its settings into numbers. Only the first
// one or two characters of a text count; a character that is not an expected digit leaves the
// value it would have replaced.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarn::settings {

// A first digit becomes the value; a second digit then makes it value x 10 + digit. The two
// characters are tested independently: "x5" gives preset x 10 + 5, "100" gives 10.
std::int32_t ApplyTwoDigitRule(std::string_view text, std::int32_t preset);

// A first character from `lowest` to `highest` becomes the value.
std::int32_t ApplyOneDigitRule(std::string_view text, std::int32_t preset, char lowest, char highest);

// Two-digit rule on a size in units of 8 pixels, in pixels clamped to [8, maxPixels].
std::int32_t PictureSizeInPixels(std::string_view text, std::int32_t preset, std::int32_t maxPixels);

}  // namespace tarn::settings
