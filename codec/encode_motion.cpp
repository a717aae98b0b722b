#include "codec/encode_motion.h"

#include "codec/screen.h"

namespace tarn::codec {
namespace {

// Offsets in vector-number arithmetic (16 is one row, 1 one pixel), in the order evaluated.
constexpr int kLargeDiamond[] = {0, -32, -17, -15, -2, 2, 15, 17, 32};
constexpr int kSmallDiamond[] = {0, -16, -1, 1, 16};

}  // namespace

bool DisplacedRegionFits(int offset, int width, int height, int vector) {
  const int stride = static_cast<int>(kRgbStride);
  const int start = offset + VectorRows(vector) * stride + VectorColumns(vector) * 3;
  const int end = start + (height - 1) * stride + width * 3;
  return start >= 0 && end < static_cast<int>(kRgbPictureBytes);
}

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
}

int MotionSearch::Cost(int candidate) {
  if (candidate < 0 || candidate >= kVectorCount) return kUnusableCost;
  if (stamp_[candidate] == region_) return cost_[candidate];
  int cost = kUnusableCost;
  if (DisplacedRegionFits(offset_, ops_->width, ops_->height, candidate)) {
    const int displaced = offset_ + VectorRows(candidate) * static_cast<int>(kRgbStride) +
                          VectorColumns(candidate) * 3;
    cost = ops_->cost(current_, reference_ + displaced);
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
