#include "codec/prep_sharpen.h"

#include <cstring>

#include "codec/screen.h"

namespace tarn::codec {
namespace {

inline std::uint8_t AddClamped(std::uint8_t channel, int amount) {
  const int value = channel + amount;
  return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

}  // namespace

void SharpenPlacedPicture(const std::uint8_t* work, const FitGeometry& geometry,
                          const std::uint8_t* detail, std::uint8_t* prepared) {
  std::memcpy(prepared, work, kRgbPictureBytes);
  const int firstRow = geometry.top + 1;
  const int endRow = geometry.top + geometry.placedHeight - 1;
  const int firstColumn = geometry.left + 1;
  const int endColumn = geometry.left + geometry.placedWidth - 1;
  constexpr auto kStride = static_cast<std::ptrdiff_t>(kRgbStride);
  for (int row = firstRow; row < endRow; ++row) {
    const std::uint8_t* in = work + row * kStride + firstColumn * 3;
    std::uint8_t* out = prepared + row * kStride + firstColumn * 3;
    for (int column = firstColumn; column < endColumn; ++column, in += 3, out += 3) {
      const int neighbours = in[-3] + in[3] + in[-kStride] + in[kStride];
      const int difference = in[0] - (neighbours >> 2);
      const int amount = difference >= 0 ? detail[difference] : -detail[-difference];
      out[0] = AddClamped(in[0], amount);
      out[1] = AddClamped(in[1], amount);
      out[2] = AddClamped(in[2], amount);
    }
  }
}

}  // namespace tarn::codec
