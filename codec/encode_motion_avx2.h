// The motion search's large diamond in one go with AVX2: the costs of eight candidate vectors
// of one region, two or four candidates to a register.
#pragma once

#include <cstdint>

namespace tarn::codec {

// Whether the shape has the eight-candidate kernel: every shape. Rows of at most eight bytes
// (w <= 2) are read eight bytes wide, rows of 12 bytes (w = 4) 16 wide, rows of 24 exactly.
constexpr bool HasEightCostsAvx2(int width) { return width <= 8; }

// The large diamond's steps in vector-number arithmetic (16 is one row, 1 one pixel), in the
// order the search evaluates them.
inline constexpr int kLargeDiamond[8] = {-32, -17, -15, -2, 2, 15, 17, 32};

struct DiamondWinner {
  int step;  // index into kLargeDiamond; -1 when no candidate beats the centre
  int cost;
};

// The cost of candidate k is the sum of |dB| + |dG| + |dR| between the w x h region at
// `current` and the one at displacedRegion + VectorDisplacement(centre + kLargeDiamond[k])
// (BGR, 720-byte rows). Returns the first candidate of the lowest cost when that cost is
// below `centreCost`, as the search's candidate-by-candidate comparison would pick it. Every
// candidate must be a vector number (0-255), and each displaced region must leave as many
// readable bytes from its last row's start as a row is read wide.
template <int W, int H>
DiamondWinner LargeDiamondAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                               int centreCost);

}  // namespace tarn::codec
