#include "codec/encode_planes.h"

#include <cstddef>

namespace tarn::codec {
namespace {

// The weighted products of the conversion, looked up instead of multiplied: each product is
// shifted on its own, so a table per term gives the same values.
struct YuvTables {
  std::int32_t yBlue[256], yGreen[256], yRed[256];
  std::int16_t u[511], v[511];  // indexed by blue - y + 255 and red - y + 255

  constexpr YuvTables() : yBlue(), yGreen(), yRed(), u(), v() {
    for (int c = 0; c < 256; ++c) {
      yBlue[c] = (c * 119538) >> 20;
      yGreen[c] = (c * 615514) >> 20;
      yRed[c] = (c * 313524) >> 20;
    }
    for (int d = -255; d <= 255; ++d) {
      u[d + 255] = static_cast<std::int16_t>((d * 589244) >> 20);
      v[d + 255] = static_cast<std::int16_t>((d * 743962) >> 20);
    }
  }
};

constexpr YuvTables kTables;

}  // namespace

void BuildYuvPlane(const std::uint8_t* bgr, YuvPlane& plane) {
  for (std::size_t i = 0; i < kReferencePixels; ++i, bgr += 3) {
    const int blue = bgr[0], green = bgr[1], red = bgr[2];
    const int y = kTables.yGreen[green] + kTables.yBlue[blue] + kTables.yRed[red];
    plane.y[i] = static_cast<std::int16_t>(y);
    plane.u[i] = kTables.u[blue - y + 255];
    plane.v[i] = kTables.v[red - y + 255];
  }
}

}  // namespace tarn::codec
