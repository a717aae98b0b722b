// Luminance and colour-difference planes that the keep test compares, and the cell sums the
// fill test adds up: the tables the analysis works out once per frame.
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

// The fill test's sums over each 4x4 cell of a picture. Every region of four by four pixels or
// more starts on a row and a column divisible by four and covers whole cells, so its sums are its
// cells' added up. Per cell four 32-bit values: the blue, green and red sums and the sum of the
// squares of all 48 bytes (n^2 times a region's variance sum needs no more).
struct FillCells {
  static constexpr int kSide = 4;
  static constexpr int kAcross = kScreenWidth / kSide;
  static constexpr int kDown = kScreenHeight / kSide;
  static constexpr int kRowValues = 4 * kAcross;  // one row of cells
  alignas(16) std::array<std::int32_t, kRowValues * kDown> values;

  // The cell whose top-left pixel is `pixel` (y * 240 + x, both divisible by four).
  const std::int32_t* At(int pixel) const {
    const int cell = pixel / kScreenWidth / kSide * kAcross + pixel % kScreenWidth / kSide;
    return &values[static_cast<std::size_t>(cell) * 4];
  }
};

// The cells of a BGR picture (720-byte rows).
void BuildFillCells(const std::uint8_t* bgr, FillCells& cells);

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
