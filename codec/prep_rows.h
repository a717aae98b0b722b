// Row steps of the picture preparation, shared by its whole-picture passes.
#pragma once

#include <cstdint>

namespace tarn::codec {

// One packed 4:2:2 row of `width` pixels to width x 3 bytes of BGR at `out`; writes nothing
// beyond them.
void ConvertYuvRow(const std::uint8_t* in, std::uint8_t* out, int width);

// Averages two BGR rows over 2 x 2 squares into `pixels` output pixels at `out` (3 bytes
// each). `out` may be the first of the two rows.
void HalveRowPair(const std::uint8_t* upper, const std::uint8_t* lower, int pixels, std::uint8_t* out);

}  // namespace tarn::codec
