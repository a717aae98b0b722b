#include "codec/encode_motion_avx512.h"

#if defined(__x86_64__) || defined(__i386__)
#define TARN_WALK_TARGET "avx2,avx512f,avx512bw,avx512vl"
#define TARN_WALK_AVX512 1
#include "codec/encode_motion_walk.h"
#endif

namespace tarn::codec {

#if defined(__x86_64__) || defined(__i386__)
template <int W, int H>
WalkEnd DiamondWalkAvx512(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                          int vector, int cost) {
  return WalkDiamonds<W, H, false>(current, displacedRegion, low, high, vector, cost);
}

template <int W, int H>
WalkEnd ClampedWalkAvx512(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                          int vector, int cost) {
  return WalkDiamonds<W, H, true>(current, displacedRegion, low, high, vector, cost);
}

template <int W, int H>
DiamondWinner SmallDiamondAvx512(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                                 int centreCost) {
  return SmallDiamond<W, H>(current, displacedRegion, centre, centreCost);
}

#define TARN_DIAMOND_WALK(W, H)                                                                           \
  template WalkEnd DiamondWalkAvx512<W, H>(const std::uint8_t*, const std::uint8_t*, int, int, int, int); \
  template DiamondWinner SmallDiamondAvx512<W, H>(const std::uint8_t*, const std::uint8_t*, int, int);    \
  template WalkEnd ClampedWalkAvx512<W, H>(const std::uint8_t*, const std::uint8_t*, int, int, int, int);
TARN_DIAMOND_WALK(8, 8)
TARN_DIAMOND_WALK(8, 4)
TARN_DIAMOND_WALK(4, 8)
TARN_DIAMOND_WALK(4, 4)
TARN_DIAMOND_WALK(4, 2)
TARN_DIAMOND_WALK(2, 4)
TARN_DIAMOND_WALK(2, 2)
TARN_DIAMOND_WALK(1, 2)
TARN_DIAMOND_WALK(2, 1)
#undef TARN_DIAMOND_WALK
#endif

}  // namespace tarn::codec
