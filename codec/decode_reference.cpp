// Upkeep of the reference picture: its BGR widenings and the reset to black.
#include <algorithm>
#include <cstring>

#include "codec/frame_decoder.h"
#include "codec/prep_cpu.h"
#include "codec/prep_simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_WIDEN_AVX512 1
#endif

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

#if TARN_WIDEN_AVX512
#define TARN_WIDEN_TARGET target("avx512f,avx512bw,avx512vbmi")
constexpr int kWidePixels = 32;
constexpr int kWideBytes = 3 * kWidePixels;

// Output byte j of 32 widened pixels from the words' blue and green bytes (table bytes 2i and
// 2i + 1) and red bytes (64 + 2i).
struct WidenIndices {
  std::uint8_t part[2][64];
};

constexpr WidenIndices MakeWidenIndices() {
  WidenIndices indices{};
  for (int j = 0; j < kWideBytes; ++j) {
    const int pixel = j / 3, channel = j % 3;
    indices.part[j / 64][j % 64] = static_cast<std::uint8_t>(channel == 2 ? 64 + 2 * pixel : 2 * pixel + channel);
  }
  return indices;
}

constexpr WidenIndices kWidenIndices = MakeWidenIndices();

// 32 words (or the first `count`) to BGR bytes, stored at both `copy` and `preview`.
__attribute__((TARN_WIDEN_TARGET)) inline void WidenWide(const std::uint16_t* words, __mmask32 count,
                                                         std::uint8_t* copy, std::uint8_t* preview) {
  const __m512i w = _mm512_maskz_loadu_epi16(count, words);
  const __m512i channel = _mm512_set1_epi16(0xF8);
  const __m512i blue = _mm512_and_si512(_mm512_srli_epi16(w, 7), channel);
  const __m512i green = _mm512_and_si512(_mm512_slli_epi16(w, 6), _mm512_set1_epi16(static_cast<short>(0xF800)));
  const __m512i red = _mm512_and_si512(_mm512_slli_epi16(w, 3), channel);
  const __m512i blueGreen = _mm512_or_si512(blue, green);
  const int pixels = __builtin_popcount(count);
  for (int part = 0; part < 2; ++part) {
    const int bytes = std::min(3 * pixels - 64 * part, 64);
    if (bytes <= 0) break;
    const __mmask64 kept = bytes == 64 ? ~__mmask64{0} : (__mmask64{1} << bytes) - 1;
    const __m512i out = _mm512_permutex2var_epi8(blueGreen, _mm512_loadu_si512(kWidenIndices.part[part]), red);
    _mm512_mask_storeu_epi8(copy + 64 * part, kept, out);
    _mm512_mask_storeu_epi8(preview + 64 * part, kept, out);
  }
}

__attribute__((TARN_WIDEN_TARGET)) void WidenRowsAvx512(const std::uint16_t* reference, std::uint8_t* copy,
                                                        std::uint8_t* preview) {
  for (int y = 0; y < kScreenHeight; ++y) {
    const std::uint16_t* words = reference + y * kScreenWidth;
    std::uint8_t* copyRow = copy + y * kRgbStride;
    std::uint8_t* previewRow = preview + (kScreenHeight - 1 - y) * kRgbStride;
    for (int x = 0; x < kScreenWidth; x += kWidePixels) {
      const int pixels = std::min(kWidePixels, kScreenWidth - x);
      const auto count = static_cast<__mmask32>(pixels == 32 ? 0xFFFFFFFFu : (1u << pixels) - 1);
      WidenWide(words + x, count, copyRow + 3 * x, previewRow + 3 * x);
    }
  }
}
#endif

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
#if TARN_WIDEN_AVX512
  if (PrepUsesAvx512Vbmi()) {
    WidenRowsAvx512(reference, copy, preview);
    return;
  }
#endif
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
