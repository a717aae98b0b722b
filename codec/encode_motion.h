// Motion search of one region: vector costs remembered per vector number, a large diamond
// walked from the predicted vector, then a small diamond around the final centre.
#pragma once

#include <array>
#include <cstdint>

#include "codec/encode_motion_avx2.h"
#include "codec/encode_motion_avx512.h"
#include "codec/encode_region_cost.h"
#include "codec/screen.h"

namespace tarn::codec {

// Vector number n: dy = (n >> 4) - 8 rows, dx = (n & 15) - 8 pixels; 136 is the zero vector.
inline constexpr int kZeroVector = 136;
inline constexpr int kVectorCount = 256;
// Cost of a candidate that cannot be used: every byte of an 8x8 region off by 255.
inline constexpr int kUnusableCost = 48'960;

constexpr int VectorRows(int vector) { return (vector >> 4) - 8; }
constexpr int VectorColumns(int vector) { return (vector & 15) - 8; }
// Byte displacement of a vector in the BGR pictures (720-byte rows).
constexpr int VectorDisplacement(int vector) { return VectorRows(vector) * 720 + VectorColumns(vector) * 3; }

class MotionSearch {
 public:
  struct Result {
    int vector;
    int cost;
  };

  MotionSearch();  // takes the processor's answer (or the tests' choice) on the fast kernels

  // Takes that answer again; the analysis asks once per frame.
  void BeginFrame();

  // Searches for the region of width x height whose first byte is at `offset` in `prepared`,
  // in `referenceCopy` (both BGR, 720-byte rows), starting from vector `predicted`.
  Result Search(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int width, int height, int offset,
                int predicted);

  // The search of one shape (w and h each 1, 2, 4 or 8, as the coder uses them), for callers
  // that search regions of one shape many times: Search without the choice of shape.
  using RegionSearch = Result (MotionSearch::*)(const std::uint8_t* prepared, const std::uint8_t* referenceCopy,
                                                int offset, int predicted);
  static RegionSearch ForShape(int width, int height);
  // The same searches by shape at compile time: one instance for each shape of the coder.
  // Inline: the common case goes straight to the wide walk from the analysis.
  template <int W, int H>
  Result SearchRegion(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int offset, int predicted);

 private:
  // The search candidate by candidate: near the picture's first and last rows, or without the
  // wide walk, from `start` (a negative cost not yet worked out).
  template <int W, int H>
  Result SearchNearEnds(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int offset, Result start);
  void BeginRegion(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int width, int height, int offset,
                   int fastReach);
  template <int W, int H>
  Result SearchShape(int predicted);
  // From `start`; a negative cost is not yet worked out.
  template <int W, int H, bool kFast>
  Result Walk(Result start);
  // The wide walks (encode_motion_avx2.h) in the widest instruction set allowed.
  template <int W, int H>
  WalkEnd WideWalk(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high, int vector,
                   int cost) const;
  template <int W, int H>
  WalkEnd WideClampedWalk(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                          int vector, int cost) const;
  template <int W, int H>
  DiamondWinner WideSmallDiamond(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                                 int centreCost) const;

  struct Remembered {
    std::uint32_t region;  // the region the cost belongs to
    int cost;
  };
  std::array<Remembered, kVectorCount> remembered_;
  std::uint32_t region_ = 0;
  const std::uint8_t* current_ = nullptr;
  const std::uint8_t* reference_ = nullptr;
  int offset_ = 0;
  // The vectors that keep the displaced region inside the picture: numbers firstUsable ..
  // firstUsable + usableCount - 1.
  int firstUsable_ = 0;
  int usableCount_ = 0;
  // From this vector number on, the fast kernel would read past the end of the pictures.
  int fastBeyond_ = 0;
  bool useAvx2_ = false;
  bool useAvx512_ = false;
};

template <int W, int H>
inline WalkEnd MotionSearch::WideWalk(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low,
                                      int high, int vector, int cost) const {
  return useAvx512_ ? DiamondWalkAvx512<W, H>(current, displacedRegion, low, high, vector, cost)
                    : DiamondWalkAvx2<W, H>(current, displacedRegion, low, high, vector, cost);
}

template <int W, int H>
inline WalkEnd MotionSearch::WideClampedWalk(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low,
                                             int high, int vector, int cost) const {
  return useAvx512_ ? ClampedWalkAvx512<W, H>(current, displacedRegion, low, high, vector, cost)
                    : ClampedWalkAvx2<W, H>(current, displacedRegion, low, high, vector, cost);
}

template <int W, int H>
inline DiamondWinner MotionSearch::WideSmallDiamond(const std::uint8_t* current, const std::uint8_t* displacedRegion,
                                                    int centre, int centreCost) const {
  return useAvx512_ ? SmallDiamondAvx512<W, H>(current, displacedRegion, centre, centreCost)
                    : SmallDiamondAvx2<W, H>(current, displacedRegion, centre, centreCost);
}

template <int W, int H>
inline MotionSearch::Result MotionSearch::SearchRegion(const std::uint8_t* prepared, const std::uint8_t* referenceCopy,
                                                       int offset, int predicted) {
#if defined(__x86_64__) || defined(__i386__)
  // A region away from the picture's first and last rows (every vector keeps it, and the wide
  // kernels' reads, inside the picture: offsets kFirst to kLast) and a predicted vector away
  // from the ends of the numbers (32 to 223), each range as one unsigned comparison.
  constexpr int kFirst = -VectorDisplacement(0);
  constexpr int kLast =
      static_cast<int>(kRgbPictureBytes) - region_cost::kFastReach<W, H> - VectorDisplacement(kVectorCount - 1) - 1;
  if (useAvx2_ && static_cast<unsigned>(offset - kFirst) <= static_cast<unsigned>(kLast - kFirst) &&
      static_cast<unsigned>(predicted - 32) < static_cast<unsigned>(kVectorCount - 64)) {
    const WalkEnd end = WideWalk<W, H>(prepared + offset, referenceCopy + offset, 0, kVectorCount, predicted, -1);
    if (end.finished()) return {end.vector(), end.cost()};
    return SearchNearEnds<W, H>(prepared, referenceCopy, offset, {end.vector(), end.cost()});
  }
#endif
  return SearchNearEnds<W, H>(prepared, referenceCopy, offset, {predicted, -1});
}

}  // namespace tarn::codec
