#pragma once
// The six output formats and the processing each applies after the resize.

namespace picfit {

enum OutputFormat : int {
  kFormatTrueColour24 = 0,  // 24-bit true colour
  kFormatHandheld16 = 1,    // the handheld's 16-bit format (the default)
  kFormatColour256 = 2,
  kFormatGrey256 = 3,
  kFormatColour16 = 4,
  kFormatBlackWhite = 5,
};
inline constexpr int kDefaultFormat = kFormatHandheld16;
inline constexpr int kFormatCount = 6;

}  // namespace picfit
