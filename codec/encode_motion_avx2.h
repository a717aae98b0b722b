// The motion search's diamonds in one go with AVX2: the costs of a diamond's candidate vectors
// of one region, two or four candidates to a register, and the diamond's winner.
#pragma once

#include <cstdint>

namespace tarn::codec {

// The diamonds' steps in vector-number arithmetic (16 is one row, 1 one pixel), in the order
// the search evaluates them.
inline constexpr int kLargeDiamond[8] = {-32, -17, -15, -2, 2, 15, 17, 32};
inline constexpr int kSmallDiamond[4] = {-16, -1, 1, 16};

struct DiamondWinner {
  int step;  // index into the diamond's steps; -1 when no candidate beats the centre
  int cost;
};

// The cost of candidate k is the sum of |dB| + |dG| + |dR| between the w x h region at
// `current` and the one at displacedRegion + VectorDisplacement(centre + step k) (BGR, 720-byte
// rows). Returns the first candidate of the lowest cost when that cost is below `centreCost`,
// as the search's candidate-by-candidate comparison would pick it. Every candidate must be a
// vector number (0-255), and each displaced region must leave as many readable bytes from its
// last row's start as a row is read wide: eight for rows of at most eight bytes (w <= 2), 16
// for rows of 12 (w = 4), 24 for rows of 24.
template <int W, int H>
DiamondWinner LargeDiamondAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                               int centreCost);
template <int W, int H>
DiamondWinner SmallDiamondAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                               int centreCost);

}  // namespace tarn::codec
