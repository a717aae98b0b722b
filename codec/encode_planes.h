// Luminance and colour-difference planes that the keep test compares.
#pragma once

#include <array>
#include <cstdint>

#include "codec/screen.h"

namespace tarn::codec {

// One signed 16-bit Y, U and V value per pixel of a 240x160 picture, row by row.
struct YuvPlane {
  std::array<std::int16_t, kReferencePixels> y;
  std::array<std::int16_t, kReferencePixels> u;
  std::array<std::int16_t, kReferencePixels> v;
};

// What the keep test asks of each pixel of a picture against its reference: the largest of
// |dY|, |dU| and |dV|, and their sum (each at most 255 + 288 + 362, far inside 16 bits). The
// planes do not change while a frame is analysed, so this is worked out once per frame.
struct KeepDifferences {
  std::array<std::int16_t, kReferencePixels> largest;
  std::array<std::int16_t, kReferencePixels> sum;
};

void BuildKeepDifferences(const YuvPlane& current, const YuvPlane& reference, KeepDifferences& differences);
// The same from the BGR pictures (720-byte rows), as BuildYuvPlane would convert them, without
// storing their planes.
void BuildKeepDifferences(const std::uint8_t* current, const std::uint8_t* reference, KeepDifferences& differences);

// Converts a BGR picture (720-byte rows, top row first) with the handheld coder's fixed-point
// weights: every product is shifted on its own, all shifts round toward minus infinity.
void BuildYuvPlane(const std::uint8_t* bgr, YuvPlane& plane);

// The conversion of one pixel, the definition the plane builder must match.
struct YuvSample {
  int y, u, v;
};
constexpr YuvSample ToYuv(int blue, int green, int red) {
  const int y = ((green * 615514) >> 20) + ((blue * 119538) >> 20) + ((red * 313524) >> 20);
  return {y, ((blue - y) * 589244) >> 20, ((red - y) * 743962) >> 20};
}

}  // namespace tarn::codec
