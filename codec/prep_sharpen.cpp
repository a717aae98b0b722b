#include "codec/prep_sharpen.h"

#include <algorithm>
#include <cstring>

#include "codec/screen.h"

namespace tarn::codec {

void SharpenPlacedPicture(const std::uint8_t* work, const FitGeometry& geometry, const std::uint8_t* detail,
                          std::uint8_t* prepared) {
  std::memcpy(prepared, work, kRgbPictureBytes);
  const int firstRow = geometry.top + 1;
  const int endRow = geometry.top + geometry.placedHeight - 1;
  const int firstColumn = geometry.left + 1;
  const int pixels = geometry.placedWidth - 2;
  if (pixels <= 0) return;

  // The detail amount by signed difference: index d + 255 for d in -255..255.
  std::int16_t amountOf[511];
  for (int d = -255; d <= 255; ++d) {
    amountOf[d + 255] = static_cast<std::int16_t>(d >= 0 ? detail[d] : -detail[-d]);
  }

  constexpr auto kStride = static_cast<std::ptrdiff_t>(kRgbStride);
  std::int16_t amounts[kScreenWidth * 3];  // per channel byte of the row's inner pixels
  for (int row = firstRow; row < endRow; ++row) {
    const std::uint8_t* in = work + row * kStride + firstColumn * 3;
    std::uint8_t* out = prepared + row * kStride + firstColumn * 3;
    // The amount comes from the blue channel alone and goes to all three.
    for (int x = 0; x < pixels; ++x) {
      const std::uint8_t* pixel = in + x * 3;
      const int neighbours = pixel[-3] + pixel[3] + pixel[-kStride] + pixel[kStride];
      const std::int16_t amount = amountOf[pixel[0] - (neighbours >> 2) + 255];
      amounts[x * 3] = amounts[x * 3 + 1] = amounts[x * 3 + 2] = amount;
    }
    const int bytes = pixels * 3;
    for (int i = 0; i < bytes; ++i) {
      out[i] = static_cast<std::uint8_t>(std::clamp(in[i] + amounts[i], 0, 255));
    }
  }
}

}  // namespace tarn::codec
