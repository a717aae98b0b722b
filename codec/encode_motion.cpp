#include "codec/encode_motion.h"

#include <cstdlib>

#include "codec/encode_region_cost.h"
#include "codec/screen.h"

namespace tarn::codec {
namespace {

constexpr int kPictureBytes = static_cast<int>(kRgbPictureBytes);

// Offsets in vector-number arithmetic (16 is one row, 1 one pixel), in the order evaluated.
constexpr int kLargeDiamond[] = {-32, -17, -15, -2, 2, 15, 17, 32};
constexpr int kSmallDiamond[] = {-16, -1, 1, 16};

}  // namespace

MotionSearch::MotionSearch() { remembered_.fill({0, 0}); }

void MotionSearch::BeginRegion(const std::uint8_t* prepared, const std::uint8_t* referenceCopy,
                               int width, int height, int offset, int fastReach) {
  if (++region_ == 0) {  // the count wrapped: forget every remembered cost
    remembered_.fill({0, 0});
    region_ = 1;
  }
  current_ = prepared + offset;
  reference_ = referenceCopy;
  offset_ = offset;
  // The displaced region must start at or after the first byte, and its last row must end
  // (one past its last byte) before byte 115,200. The bound counts the one-past-the-end
  // offset itself, so a region touching the picture's last byte is never moved, not even by
  // the zero vector.
  const int regionEnd = offset + (height - 1) * static_cast<int>(kRgbStride) + width * 3;
  lowest_ = -offset;
  beyond_ = kPictureBytes - regionEnd;
  fastBeyond_ = offset + fastReach <= kPictureBytes ? kPictureBytes - offset - fastReach + 1 : lowest_;
}

template <int W, int H>
[[gnu::always_inline]] inline int MotionSearch::Cost(int candidate) {
  if (candidate < 0 || candidate >= kVectorCount) return kUnusableCost;
  Remembered& slot = remembered_[candidate];
  if (slot.region == region_) return slot.cost;
  int cost = kUnusableCost;
  const int displacement = VectorDisplacement(candidate);
  if (displacement >= lowest_ && displacement < beyond_) {
    const std::uint8_t* displaced = reference_ + offset_ + displacement;
    // Near the end of the picture the whole-register reads would run past the buffers.
    cost = displacement < fastBeyond_ ? region_cost::Fast<W, H>(current_, displaced)
                                      : region_cost::WithinRegion<W, H>(current_, displaced);
  }
  slot = {region_, cost};
  return cost;
}

// The lowest cost wins, the earliest candidate on ties.
template <int W, int H>
MotionSearch::Result MotionSearch::SearchShape(int predicted) {
  Result best{predicted, Cost<W, H>(predicted)};
  for (;;) {
    const int centre = best.vector;
    for (const int step : kLargeDiamond) {
      const int cost = Cost<W, H>(centre + step);
      if (cost < best.cost) best = {centre + step, cost};
    }
    if (best.vector == centre) break;
  }
  const int centre = best.vector;
  for (const int step : kSmallDiamond) {
    const int cost = Cost<W, H>(centre + step);
    if (cost < best.cost) best = {centre + step, cost};
  }
  return best;
}

MotionSearch::Result MotionSearch::Search(const std::uint8_t* prepared, const std::uint8_t* referenceCopy,
                                          int width, int height, int offset, int predicted) {
  const auto begin = [&](int fastReach) {
    BeginRegion(prepared, referenceCopy, width, height, offset, fastReach);
  };
  using region_cost::kFastReach;
  switch (width * 16 + height) {
    case 8 * 16 + 8: begin(kFastReach<8, 8>); return SearchShape<8, 8>(predicted);
    case 4 * 16 + 8: begin(kFastReach<4, 8>); return SearchShape<4, 8>(predicted);
    case 8 * 16 + 4: begin(kFastReach<8, 4>); return SearchShape<8, 4>(predicted);
    case 4 * 16 + 4: begin(kFastReach<4, 4>); return SearchShape<4, 4>(predicted);
    case 2 * 16 + 4: begin(kFastReach<2, 4>); return SearchShape<2, 4>(predicted);
    case 4 * 16 + 2: begin(kFastReach<4, 2>); return SearchShape<4, 2>(predicted);
    case 2 * 16 + 2: begin(kFastReach<2, 2>); return SearchShape<2, 2>(predicted);
    case 1 * 16 + 2: begin(kFastReach<1, 2>); return SearchShape<1, 2>(predicted);
    case 2 * 16 + 1: begin(kFastReach<2, 1>); return SearchShape<2, 1>(predicted);
    default: std::abort();  // the coder's shapes are fixed; any other is a programming error
  }
}

}  // namespace tarn::codec
