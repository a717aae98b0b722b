#include "codec/encode_region_tests.h"

#include <cstdlib>

#include "codec/screen.h"

namespace tarn::codec {
namespace {

template <int W, int H>
ChannelSums SumChannels(const std::uint8_t* prepared) {
  ChannelSums sums{};
  for (int row = 0; row < H; ++row) {
    const std::uint8_t* p = prepared + row * static_cast<int>(kRgbStride);
    for (int i = 0; i < W; ++i) {
      for (int c = 0; c < 3; ++c) {
        const int value = p[3 * i + c];
        sums.sum[c] += value;
        sums.sumOfSquares[c] += value * value;
      }
    }
  }
  return sums;
}

template <int W, int H>
constexpr ShapeOps MakeOps() {
  return {W, H, &KeepTest<W, H>, &SumChannels<W, H>};
}

constexpr ShapeOps kOps[] = {
    MakeOps<8, 8>(), MakeOps<4, 8>(), MakeOps<8, 4>(), MakeOps<4, 4>(), MakeOps<2, 4>(),
    MakeOps<4, 2>(), MakeOps<2, 2>(), MakeOps<1, 2>(), MakeOps<2, 1>(),
};

}  // namespace

const ShapeOps& OpsForShape(int width, int height) {
  for (const ShapeOps& ops : kOps)
    if (ops.width == width && ops.height == height) return ops;
  std::abort();  // the coder's shapes are fixed; any other is a programming error
}

double VarianceSum(const ChannelSums& sums, int pixelCount) {
  const double n = pixelCount;
  double total = 0.0;
  for (int c = 0; c < 3; ++c) {
    const double mean = sums.sum[c] / n;
    total += sums.sumOfSquares[c] / n - mean * mean;
  }
  return total;
}

}  // namespace tarn::codec
