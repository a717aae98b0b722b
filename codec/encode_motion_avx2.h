// The motion search's large diamond in one go with AVX2: the costs of eight candidate vectors
// of one region, four candidates to a register for rows of up to eight bytes, two for wider.
#pragma once

#include <cstdint>

namespace tarn::codec {

// costs[k] = sum of |dB| + |dG| + |dR| between the w x h region at `current` and the one at
// displacedRegion + displacements[k] (BGR, 720-byte rows). Rows are read as whole 8- or
// 16-byte loads, as far as region_cost::kFastReach says.
template <int W, int H>
void EightCostsAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion,
                    const int* displacements, int* costs);

}  // namespace tarn::codec
