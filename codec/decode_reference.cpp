// Upkeep of the reference picture: its BGR widenings and the reset to black.
#include <cstring>

#include "codec/frame_decoder.h"

namespace tarn::codec {
namespace {

// Each 5-bit channel v becomes v << 3; bit 15 of the word is ignored.
void WidenRow(const std::uint16_t* words, std::uint8_t* bgr) {
  for (int x = 0; x < kScreenWidth; ++x) {
    const unsigned word = words[x];
    bgr[3 * x + 0] = static_cast<std::uint8_t>((word >> 7) & 0xF8);
    bgr[3 * x + 1] = static_cast<std::uint8_t>((word >> 2) & 0xF8);
    bgr[3 * x + 2] = static_cast<std::uint8_t>((word << 3) & 0xF8);
  }
}

}  // namespace

void ReferenceToRgb(const std::uint16_t* reference, std::uint8_t* copy) {
  for (int y = 0; y < kScreenHeight; ++y) {
    WidenRow(reference + y * kScreenWidth, copy + y * kRgbStride);
  }
}

void ReferenceToPreview(const std::uint16_t* reference, std::uint8_t* preview) {
  for (int y = 0; y < kScreenHeight; ++y) {
    WidenRow(reference + y * kScreenWidth, preview + (kScreenHeight - 1 - y) * kRgbStride);
  }
}

void ResetReference(std::uint16_t* reference, std::uint8_t* copy) {
  std::memset(reference, 0, kReferenceBytes);
  std::memset(copy, 0, kRgbPictureBytes);
}

}  // namespace tarn::codec
