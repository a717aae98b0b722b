#include "codec/encode_motion.h"

#include "codec/screen.h"

namespace tarn::codec {
namespace {

// Offsets in vector-number arithmetic (16 is one row, 1 one pixel), in the order evaluated.
constexpr int kLargeDiamond[] = {0, -32, -17, -15, -2, 2, 15, 17, 32};
constexpr int kSmallDiamond[] = {0, -16, -1, 1, 16};

}  // namespace

constexpr int kPictureBytes = static_cast<int>(kRgbPictureBytes);

MotionSearch::MotionSearch() {
  cost_.fill(0);
  stamp_.fill(0);
}

void MotionSearch::BeginRegion(const RegionPictures& pictures, const ShapeOps& ops, int offset) {
  if (++region_ == 0) {  // the stamp wrapped: forget every remembered cost
    stamp_.fill(0);
    region_ = 1;
  }
  current_ = pictures.prepared + offset;
  reference_ = pictures.referenceCopy;
  ops_ = &ops;
  offset_ = offset;
  // The displaced region must start at or after the first byte, and its last row must end
  // (one past its last byte) before byte 115,200. The bound counts the one-past-the-end
  // offset itself, so a region touching the picture's last byte is never moved, not even by
  // the zero vector.
  const int regionEnd = offset + (ops.height - 1) * static_cast<int>(kRgbStride) + ops.width * 3;
  lowest_ = -offset;
  beyond_ = kPictureBytes - regionEnd;
  fastBeyond_ = offset + ops.costReach <= kPictureBytes ? kPictureBytes - offset - ops.costReach + 1
                                                        : lowest_;
}

int MotionSearch::Cost(int candidate) {
  if (candidate < 0 || candidate >= kVectorCount) return kUnusableCost;
  if (stamp_[candidate] == region_) return cost_[candidate];
  int cost = kUnusableCost;
  const int displacement = VectorDisplacement(candidate);
  if (displacement >= lowest_ && displacement < beyond_) {
    const std::uint8_t* displaced = reference_ + offset_ + displacement;
    // Near the end of the picture the whole-register reads would run past the buffers.
    cost = displacement < fastBeyond_ ? ops_->cost(current_, displaced)
                                      : ops_->costWithinRegion(current_, displaced);
  }
  stamp_[candidate] = region_;
  cost_[candidate] = cost;
  return cost;
}

MotionSearch::Result MotionSearch::Search(int predicted) {
  Result best{predicted, Cost(predicted)};
  for (;;) {
    const int centre = best.vector;
    for (int i = 1; i < 9; ++i) {
      const int candidate = centre + kLargeDiamond[i];
      const int cost = Cost(candidate);
      if (cost < best.cost) best = {candidate, cost};
    }
    if (best.vector == centre) break;
  }
  const int centre = best.vector;
  for (int i = 1; i < 5; ++i) {
    const int candidate = centre + kSmallDiamond[i];
    const int cost = Cost(candidate);
    if (cost < best.cost) best = {candidate, cost};
  }
  return best;
}

}  // namespace tarn::codec
