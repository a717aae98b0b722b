// Upkeep of the reference picture: its BGR widenings and the reset to black.
#include <cstring>

#include "codec/frame_decoder.h"
#include "codec/prep_simd.h"

namespace tarn::codec {
namespace {

// Each 5-bit channel v becomes v << 3; bit 15 of the word is ignored.
void WidenRow(const std::uint16_t* words, std::uint8_t* bgr) {
  int x = 0;
#if defined(__SSE2__)
  // Eight words at a time. Each group's store scribbles on the two bytes after it, so the
  // loop stops while a pixel of the row follows and the row's last pixels are written below.
  const __m128i channelMask = _mm_set1_epi16(0xF8);
  for (; x + 8 < kScreenWidth; x += 8) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + x));
    const __m128i blue = _mm_and_si128(_mm_srli_epi16(w, 7), channelMask);
    const __m128i green = _mm_and_si128(_mm_srli_epi16(w, 2), channelMask);
    const __m128i red = _mm_and_si128(_mm_slli_epi16(w, 3), channelMask);
    simd::StoreEightPixels(_mm_packus_epi16(blue, green), _mm_packus_epi16(red, _mm_setzero_si128()), bgr + 3 * x);
  }
#endif
  for (; x < kScreenWidth; ++x) {
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

void ReferenceToRgbAndPreview(const std::uint16_t* reference, std::uint8_t* copy, std::uint8_t* preview) {
  ReferenceToRgb(reference, copy);
  for (int y = 0; y < kScreenHeight; ++y) {
    std::memcpy(preview + (kScreenHeight - 1 - y) * kRgbStride, copy + y * kRgbStride, kRgbStride);
  }
}

void ResetReference(std::uint16_t* reference, std::uint8_t* copy) {
  std::memset(reference, 0, kReferenceBytes);
  std::memset(copy, 0, kRgbPictureBytes);
}

}  // namespace tarn::codec
