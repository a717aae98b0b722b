// Sharpening of the placed picture by its blue detail.
#pragma once

#include <cstdint>

#include "codec/prep_geometry.h"

namespace tarn::codec {

// Copies the 240 x 160 `work` picture to `prepared`, adding the detail amount of each inner
// pixel of the placed picture (its first and last rows and columns excepted) to its three
// channels. Neighbours are read from `work`, which stays unsharpened.
void SharpenPlacedPicture(const std::uint8_t* work, const FitGeometry& geometry, const std::uint8_t* detail,
                          std::uint8_t* prepared);

}  // namespace tarn::codec
