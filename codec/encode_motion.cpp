#include "codec/encode_motion.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "codec/encode_motion_avx2.h"
#include "codec/encode_region_cost.h"
#include "codec/prep_cpu.h"
#include "codec/screen.h"

namespace tarn::codec {
namespace {

constexpr int kPictureBytes = static_cast<int>(kRgbPictureBytes);

// Offsets in vector-number arithmetic (16 is one row, 1 one pixel), in the order evaluated.
constexpr int kLargeDiamond[] = {-32, -17, -15, -2, 2, 15, 17, 32};
constexpr int kSmallDiamond[] = {-16, -1, 1, 16};

// The displacement grows with the vector number (one row of 720 bytes outweighs the widest
// column step), so the vectors whose displacement lies in a range are one run of numbers.
constexpr std::array<int, kVectorCount> kDisplacements = [] {
  std::array<int, kVectorCount> displacements{};
  for (int vector = 0; vector < kVectorCount; ++vector) displacements[vector] = VectorDisplacement(vector);
  return displacements;
}();
static_assert(std::is_sorted(kDisplacements.begin(), kDisplacements.end()));

// The first vector number whose displacement is at least `displacement` (kVectorCount if none).
int FirstVectorFrom(int displacement) {
  if (displacement <= kDisplacements.front()) return 0;
  if (displacement > kDisplacements.back()) return kVectorCount;
  return static_cast<int>(std::lower_bound(kDisplacements.begin(), kDisplacements.end(), displacement) -
                          kDisplacements.begin());
}

}  // namespace

MotionSearch::MotionSearch() { remembered_.fill({0, 0}); }

void MotionSearch::BeginRegion(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int width, int height,
                               int offset, int fastReach) {
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
  // Displacements d with lowest <= d < beyond keep the displaced region inside the picture.
  const int lowest = -offset;
  const int beyond = kPictureBytes - regionEnd;
  const int fastBeyond = offset + fastReach <= kPictureBytes ? kPictureBytes - offset - fastReach + 1 : lowest;
  firstUsable_ = FirstVectorFrom(lowest);
  usableCount_ = std::max(FirstVectorFrom(beyond) - firstUsable_, 0);
  fastBeyond_ = FirstVectorFrom(fastBeyond);
}

// The fast kernels read whole registers of the prepared region as well: only when some vector
// may use them is it safe (and worth) loading it that way.
template <int W, int H>
MotionSearch::Result MotionSearch::SearchShape(int predicted) {
  return fastBeyond_ > firstUsable_ ? Walk<W, H, true>(predicted) : Walk<W, H, false>(predicted);
}

// The lowest cost wins, the earliest candidate on ties. The region's fields are copied into
// locals first: stores into the remembered costs could otherwise alias them and force them to
// be read again for every candidate.
template <int W, int H, bool kFast>
MotionSearch::Result MotionSearch::Walk(int predicted) {
  Remembered* const remembered = remembered_.data();
  const std::uint32_t region = region_;
  const std::uint8_t* const current = current_;
  const std::uint8_t* const displacedRegion = reference_ + offset_;
  const int firstUsable = firstUsable_, fastBeyond = fastBeyond_;
  const unsigned usableCount = static_cast<unsigned>(usableCount_);
  const auto fastRegion = [&] {
    if constexpr (kFast)
      return region_cost::FastRegion<W, H>(current);
    else
      return nullptr;
  }();
  const auto cost = [&](int candidate) {
    // One unsigned comparison rejects numbers outside 0..255 and vectors leaving the picture.
    if (static_cast<unsigned>(candidate - firstUsable) >= usableCount) return kUnusableCost;
    Remembered& slot = remembered[candidate];
    if (slot.region == region) return slot.cost;
    const std::uint8_t* displaced = displacedRegion + VectorDisplacement(candidate);
    // Near the end of the picture the whole-register reads would run past the buffers.
    int found;
    if constexpr (kFast)
      found = candidate < fastBeyond ? fastRegion.Cost(displaced) : region_cost::WithinRegion<W, H>(current, displaced);
    else
      found = region_cost::WithinRegion<W, H>(current, displaced);
    slot = {region, found};
    return found;
  };
  // With every candidate of a large diamond usable and within the fast kernel's reach, the
  // eight costs come from one wide pass (without the remembered costs: they are the same).
  const int batchFrom = firstUsable + 32;
  const int batchBeyond = std::min(firstUsable + usableCount_, fastBeyond) - 32;
  [[maybe_unused]] const bool batch = kFast && useAvx2_ && HasEightCostsAvx2(W);
  Result best{predicted, cost(predicted)};
  for (;;) {
    const int centre = best.vector;
#if defined(__x86_64__) || defined(__i386__)
    if constexpr (HasEightCostsAvx2(W)) {
      if (batch && centre >= batchFrom && centre < batchBeyond) {
        int displacements[8], costs[8];
        for (int k = 0; k < 8; ++k) displacements[k] = VectorDisplacement(centre + kLargeDiamond[k]);
        EightCostsAvx2<W, H>(current, displacedRegion, displacements, costs);
        for (int k = 0; k < 8; ++k)
          if (costs[k] < best.cost) best = {centre + kLargeDiamond[k], costs[k]};
        if (best.vector == centre) break;
        continue;
      }
    }
#endif
    for (const int step : kLargeDiamond) {
      const int found = cost(centre + step);
      if (found < best.cost) best = {centre + step, found};
    }
    if (best.vector == centre) break;
  }
  const int centre = best.vector;
  for (const int step : kSmallDiamond) {
    const int found = cost(centre + step);
    if (found < best.cost) best = {centre + step, found};
  }
  return best;
}

MotionSearch::Result MotionSearch::Search(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int width,
                                          int height, int offset, int predicted) {
  useAvx2_ = PrepUsesAvx2();
  const auto begin = [&](int fastReach) { BeginRegion(prepared, referenceCopy, width, height, offset, fastReach); };
  using region_cost::kFastReach;
  switch (width * 16 + height) {
    case 8 * 16 + 8:
      begin(kFastReach<8, 8>);
      return SearchShape<8, 8>(predicted);
    case 4 * 16 + 8:
      begin(kFastReach<4, 8>);
      return SearchShape<4, 8>(predicted);
    case 8 * 16 + 4:
      begin(kFastReach<8, 4>);
      return SearchShape<8, 4>(predicted);
    case 4 * 16 + 4:
      begin(kFastReach<4, 4>);
      return SearchShape<4, 4>(predicted);
    case 2 * 16 + 4:
      begin(kFastReach<2, 4>);
      return SearchShape<2, 4>(predicted);
    case 4 * 16 + 2:
      begin(kFastReach<4, 2>);
      return SearchShape<4, 2>(predicted);
    case 2 * 16 + 2:
      begin(kFastReach<2, 2>);
      return SearchShape<2, 2>(predicted);
    case 1 * 16 + 2:
      begin(kFastReach<1, 2>);
      return SearchShape<1, 2>(predicted);
    case 2 * 16 + 1:
      begin(kFastReach<2, 1>);
      return SearchShape<2, 1>(predicted);
    default:
      std::abort();  // the coder's shapes are fixed; any other is a programming error
  }
}

}  // namespace tarn::codec
