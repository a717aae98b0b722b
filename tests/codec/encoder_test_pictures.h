// Pictures the encoder tests build: BGR bytes, 720-byte rows, top row first.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "codec/screen.h"

namespace tarn::codec::testing {

using Bgr = std::array<std::uint8_t, 3>;

class Picture {
 public:
  Picture() : bytes_(kRgbPictureBytes, 0) {}
  std::uint8_t* Pixel(int x, int y) { return &bytes_[(static_cast<std::size_t>(y) * kScreenWidth + x) * 3]; }
  const std::uint8_t* Pixel(int x, int y) const {
    return &bytes_[(static_cast<std::size_t>(y) * kScreenWidth + x) * 3];
  }
  void Set(int x, int y, Bgr c) { std::copy(c.begin(), c.end(), Pixel(x, y)); }
  void FillBlock(int block, Bgr c) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) Set(BlockX(block) + x, BlockY(block) + y, c);
  }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

  static int BlockX(int block) { return (block % kBlocksAcross) * 8; }
  static int BlockY(int block) { return (block / kBlocksAcross) * 8; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Random bytes with the low three bits clear, as in a reference copy.
inline Picture RandomReferenceCopy(std::uint32_t seed) {
  Picture picture;
  std::mt19937 random(seed);
  for (auto& byte : picture.bytes()) byte = static_cast<std::uint8_t>(random() & 0xF8);
  return picture;
}

// A smooth reference with texture in both directions: triangle waves of slope 8 per pixel.
inline Picture RidgedReference() {
  Picture picture;
  const auto triangle = [](int v) {
    v %= 64;
    return std::uint8_t(v < 32 ? v * 8 : (63 - v) * 8);
  };
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x) picture.Set(x, y, {triangle(x), triangle(x + 16), triangle(y + 5)});
  return picture;
}

}  // namespace tarn::codec::testing
