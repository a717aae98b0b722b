// Halving of oversized pictures, in place in the caller's buffer.
#include <algorithm>
#include <cstdint>

#include "codec/picture_prep.h"
#include "codec/prep_geometry.h"

namespace tarn::codec {
namespace {

// Output pixels per pass through the row sums; the sums live on the stack.
constexpr int kChunkPixels = 64;

// Averages two source rows over 2 x 2 squares into `pixels` output pixels at `out`.
// `out` may be the first of the two rows: every output byte lies at or before the source
// bytes of its own chunk, which are summed before anything is written.
void HalveRowPair(const std::uint8_t* upper, const std::uint8_t* lower, int pixels,
                  std::uint8_t* out) {
  std::uint16_t sums[kChunkPixels * 6];
  for (int first = 0; first < pixels; first += kChunkPixels) {
    const int count = std::min(kChunkPixels, pixels - first);
    const std::size_t sourceStart = static_cast<std::size_t>(first) * 6;
    const int sumCount = count * 6;
    for (int i = 0; i < sumCount; ++i) {
      sums[i] = static_cast<std::uint16_t>(upper[sourceStart + static_cast<std::size_t>(i)] +
                                           lower[sourceStart + static_cast<std::size_t>(i)]);
    }
    std::uint8_t* target = out + static_cast<std::size_t>(first) * 3;
    for (int pixel = 0; pixel < count; ++pixel) {
      const std::uint16_t* pair = sums + pixel * 6;
      target[pixel * 3 + 0] = static_cast<std::uint8_t>((pair[0] + pair[3]) >> 2);
      target[pixel * 3 + 1] = static_cast<std::uint8_t>((pair[1] + pair[4]) >> 2);
      target[pixel * 3 + 2] = static_cast<std::uint8_t>((pair[2] + pair[5]) >> 2);
    }
  }
}

}  // namespace

void HalvePicture(std::uint8_t* picture, int& width, int& height, const FitSettings& settings) {
  const int targetW = TargetWidth(settings);
  const int targetH = TargetHeight(settings);
  while (width > 2 * targetW || height > 2 * targetH) {
    const auto sourceStride = static_cast<std::size_t>(width) * 3;
    // An odd width drops the last column; rows are packed without a gap byte.
    const int outPixels = width / 2;
    const auto outStride = static_cast<std::size_t>(outPixels) * 3;
    const int outRows = (height + 1) / 2;
    for (int row = 0; row < outRows; ++row) {
      const std::size_t upperRow = static_cast<std::size_t>(row) * 2;
      // An odd height pairs the last row with itself.
      const std::size_t lowerRow = std::min(upperRow + 1, static_cast<std::size_t>(height) - 1);
      HalveRowPair(picture + upperRow * sourceStride, picture + lowerRow * sourceStride,
                   outPixels, picture + static_cast<std::size_t>(row) * outStride);
    }
    width /= 2;
    height /= 2;
  }
}

}  // namespace tarn::codec
