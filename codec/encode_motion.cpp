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

// The displacement grows with the vector number (one row of 720 bytes outweighs the widest
// column step), so the vectors whose displacement lies in a range are one run of numbers.
constexpr std::array<int, kVectorCount> kDisplacements = [] {
  std::array<int, kVectorCount> displacements{};
  for (int vector = 0; vector < kVectorCount; ++vector) displacements[vector] = VectorDisplacement(vector);
  return displacements;
}();
static_assert(std::is_sorted(kDisplacements.begin(), kDisplacements.end()));

// The first vector number whose displacement is at least `displacement` (kVectorCount if none).
// Row r's vectors cover displacements 720 r - 24 to 720 r + 21, so the answer lies in the first
// row reaching `displacement`, at the first column that does (both ceilings taken of positive
// numbers: 9 rows of 720 and 234 steps of 3 added first).
constexpr int FirstVectorFrom(int displacement) {
  if (displacement <= kDisplacements.front()) return 0;
  if (displacement > kDisplacements.back()) return kVectorCount;
  const int row = (displacement - 21 + 9 * 720 + 719) / 720 - 9;
  const int column = std::max((displacement - row * 720 + 234 * 3 + 2) / 3 - 234, -8);
  return (row + 8) * 16 + column + 8;
}

// The arithmetic against a search of the sorted displacements, for every displacement a
// region can ask about and one beyond each end.
constexpr bool FirstVectorFromMatchesTheTable() {
  int first = 0;
  for (int displacement = kDisplacements.front() - 1; displacement <= kDisplacements.back() + 1; ++displacement) {
    while (first < kVectorCount && kDisplacements[first] < displacement) ++first;
    if (FirstVectorFrom(displacement) != first) return false;
  }
  return FirstVectorFrom(-kPictureBytes) == 0 && FirstVectorFrom(kPictureBytes) == kVectorCount;
}
static_assert(FirstVectorFromMatchesTheTable());

}  // namespace

namespace {

// The AVX-512 walks use its byte and word lanes at 128 and 256 bits as well (VL).
bool WalksMayUseAvx512() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool vectorLengths = __builtin_cpu_supports("avx512vl");
  return vectorLengths && PrepUsesAvx512();
#else
  return false;
#endif
}

}  // namespace

MotionSearch::MotionSearch() : useAvx2_(PrepUsesAvx2()), useAvx512_(WalksMayUseAvx512()) { remembered_.fill({0, 0}); }

void MotionSearch::BeginFrame() {
  useAvx2_ = PrepUsesAvx2();
  useAvx512_ = WalksMayUseAvx512();
}

[[gnu::always_inline]] inline void MotionSearch::BeginRegion(const std::uint8_t* prepared,
                                                             const std::uint8_t* referenceCopy, int width, int height,
                                                             int offset, int fastReach) {
  if (++region_ == 0) {  // the count wrapped: forget every remembered cost
    remembered_.fill({0, 0});
    region_ = 1;
  }
  current_ = prepared + offset;
  reference_ = referenceCopy;
  offset_ = offset;
  // Away from the picture's first and last rows (all but the top and bottom blocks) every
  // vector keeps the region, and the fast kernels' reads, inside the picture; the reach covers
  // the region's extent.
  if (offset >= -kDisplacements.front() && kPictureBytes - offset - fastReach > kDisplacements.back()) {
    firstUsable_ = 0;
    usableCount_ = kVectorCount;
    fastBeyond_ = kVectorCount;
    return;
  }
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
  if (fastBeyond_ <= firstUsable_) return Walk<W, H, false>({predicted, -1});
#if defined(__x86_64__) || defined(__i386__)
  // Most searches start and end away from the usable range's ends: the wide walk does all of
  // them, the predicted vector's cost included.
  const int wideEnd = std::min(firstUsable_ + usableCount_, fastBeyond_);
  if (useAvx2_ && predicted >= firstUsable_ + 32 && predicted < wideEnd - 32) {
    const WalkEnd end = WideWalk<W, H>(current_, reference_ + offset_, firstUsable_, wideEnd, predicted, -1);
    if (end.finished()) return {end.vector(), end.cost()};
    return Walk<W, H, true>({end.vector(), end.cost()});
  }
#endif
  return Walk<W, H, true>({predicted, -1});
}

// The lowest cost wins, the earliest candidate on ties. The region's fields are copied into
// locals first: stores into the remembered costs could otherwise alias them and force them to
// be read again for every candidate.
template <int W, int H, bool kFast>
MotionSearch::Result MotionSearch::Walk(Result start) {
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
  // With every candidate of a diamond usable and within the fast kernels' reach, its costs come
  // from one wide pass (without the remembered costs: they are the same).
  const int wideEnd = std::min(firstUsable + usableCount_, fastBeyond);
  [[maybe_unused]] const bool wide = kFast && useAvx2_;
  Result best{start.vector, start.cost < 0 ? cost(start.vector) : start.cost};
  for (;;) {
    const int centre = best.vector;
#if defined(__x86_64__) || defined(__i386__)
    // Away from the range's ends the wide walk takes over, to the end or until it nears them.
    if (wide && centre >= firstUsable + 32 && centre < wideEnd - 32) {
      const WalkEnd end = WideWalk<W, H>(current, displacedRegion, firstUsable, wideEnd, best.vector, best.cost);
      best = {end.vector(), end.cost()};
      if (end.finished()) return best;
      continue;
    }
#endif
    for (const int step : kLargeDiamond) {
      const int found = cost(centre + step);
      if (found < best.cost) best = {centre + step, found};
    }
    if (best.vector == centre) break;
  }
  const int centre = best.vector;
#if defined(__x86_64__) || defined(__i386__)
  if (wide && centre >= firstUsable + 16 && centre < wideEnd - 16) {
    const DiamondWinner winner = WideSmallDiamond<W, H>(current, displacedRegion, centre, best.cost);
    if (winner.step >= 0) best = {centre + kSmallDiamond[winner.step], winner.cost};
    return best;
  }
#endif
  for (const int step : kSmallDiamond) {
    const int found = cost(centre + step);
    if (found < best.cost) best = {centre + step, found};
  }
  return best;
}

template <int W, int H>
MotionSearch::Result MotionSearch::SearchNearEnds(const std::uint8_t* prepared, const std::uint8_t* referenceCopy,
                                                  int offset, Result start) {
  BeginRegion(prepared, referenceCopy, W, H, offset, region_cost::kFastReach<W, H>);
#if defined(__x86_64__) || defined(__i386__)
  // With every usable vector within the wide kernels' reach (all but the regions near the
  // picture's last bytes; fastBeyond_ is firstUsable_ when the region itself is out of reach),
  // the wide walk goes all the way.
  const int usableEnd = firstUsable_ + usableCount_;
  if (useAvx2_ && usableCount_ > 0 && fastBeyond_ >= usableEnd) {
    const WalkEnd end =
        WideClampedWalk<W, H>(current_, reference_ + offset_, firstUsable_, usableEnd, start.vector, start.cost);
    return {end.vector(), end.cost()};
  }
#endif
  // A start the wide walk has left near the ends of the numbers goes on candidate by candidate.
  if (start.cost >= 0) return Walk<W, H, true>(start);
  return SearchShape<W, H>(start.vector);
}

MotionSearch::RegionSearch MotionSearch::ForShape(int width, int height) {
  switch (width * 16 + height) {
    case 8 * 16 + 8:
      return &MotionSearch::SearchRegion<8, 8>;
    case 4 * 16 + 8:
      return &MotionSearch::SearchRegion<4, 8>;
    case 8 * 16 + 4:
      return &MotionSearch::SearchRegion<8, 4>;
    case 4 * 16 + 4:
      return &MotionSearch::SearchRegion<4, 4>;
    case 2 * 16 + 4:
      return &MotionSearch::SearchRegion<2, 4>;
    case 4 * 16 + 2:
      return &MotionSearch::SearchRegion<4, 2>;
    case 2 * 16 + 2:
      return &MotionSearch::SearchRegion<2, 2>;
    case 1 * 16 + 2:
      return &MotionSearch::SearchRegion<1, 2>;
    case 2 * 16 + 1:
      return &MotionSearch::SearchRegion<2, 1>;
    default:
      std::abort();  // the coder's shapes are fixed; any other is a programming error
  }
}

#define TARN_SEARCH(W, H)                                                                                         \
  template MotionSearch::Result MotionSearch::SearchNearEnds<W, H>(const std::uint8_t*, const std::uint8_t*, int, \
                                                                   Result);
TARN_SEARCH(8, 8)
TARN_SEARCH(4, 8)
TARN_SEARCH(8, 4)
TARN_SEARCH(4, 4)
TARN_SEARCH(2, 4)
TARN_SEARCH(4, 2)
TARN_SEARCH(2, 2)
TARN_SEARCH(1, 2)
TARN_SEARCH(2, 1)
#undef TARN_SEARCH

MotionSearch::Result MotionSearch::Search(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, int width,
                                          int height, int offset, int predicted) {
  return (this->*ForShape(width, height))(prepared, referenceCopy, offset, predicted);
}

}  // namespace tarn::codec
