// The subpicture palette of a program chain: 16 entries 0x00YYCrCb on the disc, RGB for the
// decoder that draws subpictures (libavcodec's dvd_subtitle takes "rrggbb,rrggbb,..." as its
// "palette" option).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarn::dvd {

using DiscPalette = std::array<uint32_t, 16>;

// 0x00RRGGBB entries, by the BT.601 conversion of studio-range YCrCb.
std::array<uint32_t, 16> PaletteToRgb(const DiscPalette& palette);

// The "palette" option text of the dvd_subtitle decoder.
std::string PaletteOption(const DiscPalette& palette);

}  // namespace tarn::dvd
