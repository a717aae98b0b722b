#include "codec/prep_geometry.h"

#include <algorithm>
#include <cmath>

namespace tarn::codec {
namespace {

constexpr int kMaxTargetWidth = 360;
constexpr int kMaxTargetHeight = 240;
constexpr int kMinTarget = 8;
constexpr int kSampledWidthLimit = 2048;
constexpr int kSampledHeightLimit = 1536;
constexpr int kInterlacedRows = 400;  // taller sampled sources use even rows only

std::int64_t Trunc(double value) { return static_cast<std::int64_t>(std::trunc(value)); }

}  // namespace

int TargetWidth(const FitSettings& settings) { return std::clamp(settings.targetWidth, kMinTarget, kMaxTargetWidth); }

int TargetHeight(const FitSettings& settings) {
  return std::clamp(settings.targetHeight, kMinTarget, kMaxTargetHeight);
}

bool NeedsHalving(int width, int height, const FitSettings& settings) {
  return width > 2 * TargetWidth(settings) || height > 2 * TargetHeight(settings);
}

FitGeometry ComputeFitGeometry(int width, int height, const FitSettings& settings) {
  FitGeometry geometry;
  if (width <= 0 || height <= 0) return geometry;

  const int targetW = TargetWidth(settings);
  const int targetH = TargetHeight(settings);
  const std::int64_t sw = std::min(width, kSampledWidthLimit);
  const std::int64_t sh = std::min(height, kSampledHeightLimit);
  double rx = static_cast<double>(sw) / targetW;
  double ry = static_cast<double>(sh) / targetH;
  std::int64_t wo = std::min(targetW, kScreenWidth);
  std::int64_t ho = std::min(targetH, kScreenHeight);
  const bool largerThanScreen = targetW > kScreenWidth || targetH > kScreenHeight;

  // Cuts the excess rows (1/rowShare of them below the picture) and centres the columns.
  const auto startOffset = [&](std::int64_t rowShare) {
    const std::int64_t excessRows = sh - Trunc(static_cast<double>(ho) * ry);
    const std::int64_t excessColumns = sw - Trunc(static_cast<double>(wo) * rx);
    return (excessRows / rowShare * width + excessColumns / 2) * 3;
  };
  // Keeps the aspect: the axis with the larger ratio decides, the other shrinks.
  const auto fitInside = [&] {
    if (ry > rx) {
      wo = Trunc(static_cast<double>(sw) / ry);
      rx = ry;
    } else {
      ho = Trunc(static_cast<double>(sh) / rx);
      ry = rx;
    }
  };

  std::int64_t offset = 0;
  if (settings.changeScale) {
    wo = targetW;
    ho = targetH;
    if (largerThanScreen) offset = startOffset(3);
  } else if (!settings.fullOut) {
    if (largerThanScreen) offset = startOffset(3);
    fitInside();
  } else {
    if (!largerThanScreen) {
      rx = ry = std::min(rx, ry);
    } else {
      fitInside();
    }
    offset = startOffset(2);
  }

  geometry.rx = rx;
  geometry.ry = ry;
  geometry.placedWidth = static_cast<int>(std::clamp<std::int64_t>(wo, 0, kScreenWidth));
  geometry.placedHeight = static_cast<int>(std::clamp<std::int64_t>(ho, 0, kScreenHeight));
  geometry.left = (kScreenWidth - geometry.placedWidth) / 2;
  geometry.top = (kScreenHeight - geometry.placedHeight) / 2;
  geometry.startOffset = offset;
  geometry.evenRows = sh > kInterlacedRows;
  return geometry;
}

}  // namespace tarn::codec
