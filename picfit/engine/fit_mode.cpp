#include "fit_mode.h"

#include <algorithm>
#include <cmath>

namespace picfit {
namespace {

// A zero (or negative) target would divide by zero; one pixel is the
// smallest size a picture can be fitted to.
int AtLeastOne(long long v) { return static_cast<int>(std::clamp<long long>(v, 1, 1 << 30)); }

}  // namespace

long long RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  long long result = static_cast<long long>(floor);
  if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
  return result;
}

QSize FittedSize(int mode, int width, int height, int targetWidth, int targetHeight) {
  const long long tw = AtLeastOne(targetWidth);
  const long long th = AtLeastOne(targetHeight);
  const long long w = std::max(width, 1);
  const long long h = std::max(height, 1);
  switch (mode) {
    case kFitStretch:
      return {int(tw), int(th)};
    case kFitHorizontal:
      return {int(tw), AtLeastOne(RoundHalfEven(double(h * tw) / double(w)))};
    case kFitVertical:
      return {AtLeastOne(RoundHalfEven(double(w * th) / double(h))), int(th)};
    default:
      return {width, height};
  }
}

PreviewRegion RegionFor(int mode, int width, int height, int targetWidth, int targetHeight) {
  const double tw = AtLeastOne(targetWidth);
  const double th = AtLeastOne(targetHeight);
  const double w = width;
  const double h = height;
  switch (mode) {
    case kFitStretch:
      return {w * 240 / tw, h * 160 / th};
    case kFitHorizontal:
      return {w * 240 / tw, w * 160 / tw};
    case kFitVertical:
      return {h * 240 / th, h * 160 / th};
    default:
      return {240, 160};
  }
}

SliderUse SlidersFor(int mode) {
  switch (mode) {
    case kFitStretch:
      return {true, true};
    case kFitHorizontal:
      return {true, false};
    case kFitVertical:
      return {false, true};
    default:
      return {false, false};
  }
}

}  // namespace picfit
