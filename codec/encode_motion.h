// Motion search of one region: vector costs remembered per vector number, a large diamond
// walked from the predicted vector, then a small diamond around the final centre.
#pragma once

#include <array>
#include <cstdint>

#include "codec/encode_region_tests.h"

namespace tarn::codec {

// Vector number n: dy = (n >> 4) - 8 rows, dx = (n & 15) - 8 pixels; 136 is the zero vector.
inline constexpr int kZeroVector = 136;
inline constexpr int kVectorCount = 256;
// Cost of a candidate that cannot be used: every byte of an 8x8 region off by 255.
inline constexpr int kUnusableCost = 48'960;

constexpr int VectorRows(int vector) { return (vector >> 4) - 8; }
constexpr int VectorColumns(int vector) { return (vector & 15) - 8; }

// The move search's bounds on the displaced region in the linear BGR buffer: it must start at
// or after the first byte and its last row must end (one past its last byte) before byte
// 115,200. The bound counts the one-past-the-end offset itself, so a region touching the
// picture's last byte is never moved, even by the zero vector.
bool DisplacedRegionFits(int offset, int width, int height, int vector);

class MotionSearch {
 public:
  struct Result {
    int vector;
    int cost;
  };

  MotionSearch();

  // Starts a new region: `offset` is its first byte in the BGR pictures.
  void BeginRegion(const RegionPictures& pictures, const ShapeOps& ops, int offset);
  // Cost of vector number `candidate` (any integer; outside 0-255 it is unusable).
  int Cost(int candidate);
  Result Search(int predicted);

 private:
  std::array<int, kVectorCount> cost_;
  std::array<std::uint32_t, kVectorCount> stamp_;  // region a remembered cost belongs to
  std::uint32_t region_ = 0;
  const std::uint8_t* current_ = nullptr;
  const std::uint8_t* reference_ = nullptr;
  const ShapeOps* ops_ = nullptr;
  int offset_ = 0;
};

}  // namespace tarn::codec
