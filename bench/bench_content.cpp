#include "bench/bench_content.h"

#include <algorithm>
#include <random>

#include "codec/screen.h"

namespace tarn::bench {
namespace {

using codec::kRgbPictureBytes;
using codec::kRgbStride;
using codec::kScreenHeight;
using codec::kScreenWidth;

// The scene the camera pans over; big enough for 60 frames of panning.
constexpr int kWorldWidth = kScreenWidth + 128;
constexpr int kWorldHeight = kScreenHeight + 64;

std::uint32_t LatticeHash(int x, int y, std::uint32_t seed) {
  std::uint32_t h =
      static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}

// Value noise: lattice values 0-255 every `scale` pixels, bilinearly interpolated.
int ValueNoise(int x, int y, int scale, std::uint32_t seed) {
  const int cx = x / scale, cy = y / scale, fx = x % scale, fy = y % scale;
  const int a = static_cast<int>(LatticeHash(cx, cy, seed) & 255);
  const int b = static_cast<int>(LatticeHash(cx + 1, cy, seed) & 255);
  const int c = static_cast<int>(LatticeHash(cx, cy + 1, seed) & 255);
  const int d = static_cast<int>(LatticeHash(cx + 1, cy + 1, seed) & 255);
  const int top = a * (scale - fx) + b * fx;
  const int bottom = c * (scale - fx) + d * fx;
  return (top * (scale - fy) + bottom * fy) / (scale * scale);
}

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// One channel of the scene: broad shading, a finer texture and a little grain.
int Shade(int x, int y, std::uint32_t seed) {
  const int broad = ValueNoise(x, y, 64, seed);
  const int texture = ValueNoise(x, y, 8, seed + 101) - 128;
  const int grain = static_cast<int>(LatticeHash(x, y, seed + 202) & 7) - 4;
  return 40 + broad * 3 / 4 + texture / 5 + grain;
}

// Flat-ish objects with hard edges on top of the shading: a disc, a bar and a window grid.
void PaintPixel(int x, int y, std::uint8_t* bgr) {
  int b = Shade(x, y, 1), g = Shade(x, y, 2), r = Shade(x, y, 3);
  const int dx = x - 150, dy = y - 100;
  if (dx * dx + dy * dy < 45 * 45) {
    b = 40 + dy / 3;
    g = 170 + dx / 4;
    r = 220;
  } else if (x >= 230 && x < 330 && y >= 30 && y < 52) {
    b = 200;
    g = 60 + (x - 230) / 2;
    r = 30;
  } else if (x >= 40 && x < 120 && y >= 120 && y < 200 && ((x - 40) % 20 < 14) && ((y - 120) % 20 < 14)) {
    b = 230;
    g = 230;
    r = 120 + ValueNoise(x, y, 4, 9) / 4;
  }
  bgr[0] = Clamp(b);
  bgr[1] = Clamp(g);
  bgr[2] = Clamp(r);
}

std::vector<std::uint8_t> PaintWorld() {
  std::vector<std::uint8_t> world(static_cast<std::size_t>(kWorldWidth) * kWorldHeight * 3);
  for (int y = 0; y < kWorldHeight; ++y)
    for (int x = 0; x < kWorldWidth; ++x) PaintPixel(x, y, &world[(static_cast<std::size_t>(y) * kWorldWidth + x) * 3]);
  return world;
}

// Copies the 240x160 window at (left, top) of the world into a prepared picture.
void CutWindow(const std::vector<std::uint8_t>& world, int left, int top, std::uint8_t* picture) {
  for (int y = 0; y < kScreenHeight; ++y) {
    const std::uint8_t* row = &world[(static_cast<std::size_t>(top + y) * kWorldWidth + left) * 3];
    std::copy(row, row + kRgbStride, picture + static_cast<std::size_t>(y) * kRgbStride);
  }
}

// Pan position of frame f: 2 px right and 1 px down a frame, back and forth within the world.
int PingPong(int step, int range) {
  const int period = 2 * range;
  const int p = step % period;
  return p <= range ? p : period - p;
}

}  // namespace

const char* ContentName(Content content) {
  switch (content) {
    case Content::kStill:
      return "still";
    case Content::kMoving:
      return "moving";
    case Content::kNoise:
      return "noise";
  }
  return "?";
}

PreparedSequence::PreparedSequence(Content content, int frameCount)
    : frameCount_(std::max(frameCount, 1)), bytes_(static_cast<std::size_t>(frameCount_) * kRgbPictureBytes) {
  if (content == Content::kNoise) {
    std::mt19937 random(20240607u);  // the engine's output is fixed by the standard
    for (std::uint8_t& byte : bytes_) byte = static_cast<std::uint8_t>(random() >> 24);
    return;
  }
  const std::vector<std::uint8_t> world = PaintWorld();
  for (int f = 0; f < frameCount_; ++f) {
    const int step = content == Content::kMoving ? f : 0;
    const int left = PingPong(2 * step, kWorldWidth - kScreenWidth);
    const int top = PingPong(step, kWorldHeight - kScreenHeight);
    CutWindow(world, left, top, &bytes_[static_cast<std::size_t>(f) * kRgbPictureBytes]);
  }
}

const std::uint8_t* PreparedSequence::Frame(int index) const {
  const int f = ((index % frameCount_) + frameCount_) % frameCount_;
  return &bytes_[static_cast<std::size_t>(f) * kRgbPictureBytes];
}

}  // namespace tarn::bench
