// The motion search's diamond walks built for AVX-512 (BW and VL): the same walks, and the same
// results, as encode_motion_avx2.h describes, with the wider instruction set's encodings and its
// 32 registers.
#pragma once

#include <cstdint>

#include "codec/encode_motion_avx2.h"

namespace tarn::codec {

template <int W, int H>
DiamondWinner SmallDiamondAvx512(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                                 int centreCost);
template <int W, int H>
WalkEnd DiamondWalkAvx512(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                          int vector, int cost);
template <int W, int H>
WalkEnd ClampedWalkAvx512(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                          int vector, int cost);

}  // namespace tarn::codec
