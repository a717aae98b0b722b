// The motion search's large diamond in one go with AVX2: the costs of eight candidate vectors
// of one region, four candidates to a register.
#pragma once

#include <cstdint>

namespace tarn::codec {

// Whether the shape has the eight-candidate kernel: rows of at most eight bytes (w <= 2).
constexpr bool HasEightCostsAvx2(int width) { return width <= 2; }

// costs[k] = sum of |dB| + |dG| + |dR| between the w x h region at `current` and the one at
// displacedRegion + displacements[k] (BGR, 720-byte rows). Every row read is eight bytes
// wide, so each displaced region must leave eight readable bytes from its last row's start.
template <int W, int H>
void EightCostsAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, const int* displacements,
                    int* costs);

}  // namespace tarn::codec
