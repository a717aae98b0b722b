#include "platform/dvd/subpicture_palette.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarn::dvd {
namespace {

uint32_t Channel(double value) { return static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L)); }

uint32_t ToRgb(uint32_t entry) {
  const double y = 1.164 * (static_cast<double>((entry >> 16) & 0xff) - 16);
  const double cr = static_cast<double>((entry >> 8) & 0xff) - 128;
  const double cb = static_cast<double>(entry & 0xff) - 128;
  return Channel(y + 1.596 * cr) << 16 | Channel(y - 0.813 * cr - 0.392 * cb) << 8 | Channel(y + 2.017 * cb);
}

}  // namespace

std::array<uint32_t, 16> PaletteToRgb(const DiscPalette& palette) {
  std::array<uint32_t, 16> rgb{};
  std::transform(palette.begin(), palette.end(), rgb.begin(), ToRgb);
  return rgb;
}

std::string PaletteOption(const DiscPalette& palette) {
  std::string option;
  for (const uint32_t entry : PaletteToRgb(palette)) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", entry);
    if (!option.empty()) option += ',';
    option += text;
  }
  return option;
}

}  // namespace tarn::dvd
