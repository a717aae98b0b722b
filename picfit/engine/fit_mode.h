#pragma once
// Fit modes: how a W x H picture is fitted to an entry's target TW x TH, and
// the preview region that shows its top-left 240x160 corner as fitted.
//
// A target of 0 (the sliders go down to 0) is treated as 1 pixel, so the
// arithmetic never divides by zero and a resize never asks for an empty
// picture; fitted sizes are likewise at least 1 x 1.

#include <QSize>

namespace picfit {

enum FitMode : int {
  kFitStretch = 0,     // TW x TH, proportions not kept
  kFitHorizontal = 1,  // TW wide, height keeps the proportions (the default)
  kFitVertical = 2,    // TH high, width keeps the proportions
  kFitNone = 3,        // unchanged
};
inline constexpr int kDefaultFitMode = kFitHorizontal;
inline constexpr int kMaxTargetWidth = 960;
inline constexpr int kMaxTargetHeight = 640;

// Round to nearest, ties to even.
long long RoundHalfEven(double value);

// Fitted size for `mode` (values outside 0..3 behave as kFitNone).
QSize FittedSize(int mode, int width, int height, int targetWidth, int targetHeight);

// Region of the picture, in picture pixels, that fills the 240x160 preview.
struct PreviewRegion {
  double width = 240;
  double height = 160;
};
PreviewRegion RegionFor(int mode, int width, int height, int targetWidth, int targetHeight);

// Which target sliders a mode uses.
struct SliderUse {
  bool width = false;
  bool height = false;
};
SliderUse SlidersFor(int mode);

}  // namespace picfit
