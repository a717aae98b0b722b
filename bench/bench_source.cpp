#include "bench/bench_source.h"

#include <algorithm>
#include <cstddef>

#include "codec/screen.h"

namespace tarn::bench {

std::vector<std::uint8_t> DiscRgbFrom(const std::uint8_t* prepared) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kDiscWidth) * kDiscHeight * 3);
  for (int row = 0; row < kDiscHeight; ++row) {
    // Row 0 of the buffer is the bottom of the picture.
    const int preparedRow = (kDiscHeight - 1 - row) * codec::kScreenHeight / kDiscHeight;
    const int nextRow = std::min(preparedRow + 1, codec::kScreenHeight - 1);
    const bool blend = row % 3 == 1;
    for (int x = 0; x < kDiscWidth; ++x) {
      const int column = x * codec::kScreenWidth / kDiscWidth;
      const std::uint8_t* a = prepared + preparedRow * codec::kRgbStride + column * 3;
      const std::uint8_t* b = prepared + nextRow * codec::kRgbStride + column * 3;
      std::uint8_t* out = &rgb[(static_cast<std::size_t>(row) * kDiscWidth + x) * 3];
      for (int c = 0; c < 3; ++c) {
        out[c] = static_cast<std::uint8_t>(blend ? (a[c] + b[c] + 1) / 2 : a[c]);
      }
    }
  }
  return rgb;
}

std::vector<std::uint8_t> DiscYuy2From(const std::vector<std::uint8_t>& rgb) {
  std::vector<std::uint8_t> yuy2(static_cast<std::size_t>(kDiscWidth) * kDiscHeight * 2);
  const auto luma = [](const std::uint8_t* p) {
    return static_cast<std::uint8_t>(((66 * p[2] + 129 * p[1] + 25 * p[0] + 128) >> 8) + 16);
  };
  for (int row = 0; row < kDiscHeight; ++row) {
    const std::uint8_t* in = &rgb[static_cast<std::size_t>(kDiscHeight - 1 - row) * kDiscWidth * 3];
    std::uint8_t* out = &yuy2[static_cast<std::size_t>(row) * kDiscWidth * 2];
    for (int x = 0; x < kDiscWidth; x += 2, in += 6, out += 4) {
      const int blue = in[0], green = in[1], red = in[2];
      out[0] = luma(in);
      out[1] = static_cast<std::uint8_t>(((-38 * red - 74 * green + 112 * blue + 128) >> 8) + 128);
      out[2] = luma(in + 3);
      out[3] = static_cast<std::uint8_t>(((112 * red - 94 * green - 18 * blue + 128) >> 8) + 128);
    }
  }
  return yuy2;
}

}  // namespace tarn::bench
