// Upkeep of the reference picture: its BGR widenings and the reset to black.
#include <cstdint>
#include <cstring>

#include "codec/frame_decoder.h"
#include "codec/prep_cpu.h"
#include "codec/prep_simd.h"
#include "codec/avx512_warnings.h"

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

TARN_AVX512_KERNELS_BEGIN

// Sixteen or 32 words to BGR bytes at `out`, with whole (unmasked) stores.
template <int kPixels>
__attribute__((TARN_WIDEN_TARGET)) inline void WidenWide(const std::uint16_t* words, std::uint8_t* out) {
  const __m512i w = kPixels == kWidePixels
                        ? _mm512_loadu_si512(words)
                        : _mm512_zextsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(words)));
  const __m512i channel = _mm512_set1_epi16(0xF8);
  const __m512i blue = _mm512_and_si512(_mm512_srli_epi16(w, 7), channel);
  const __m512i green = _mm512_and_si512(_mm512_slli_epi16(w, 6), _mm512_set1_epi16(static_cast<short>(0xF800)));
  const __m512i red = _mm512_and_si512(_mm512_slli_epi16(w, 3), channel);
  const __m512i blueGreen = _mm512_or_si512(blue, green);
  const __m512i first = _mm512_permutex2var_epi8(blueGreen, _mm512_loadu_si512(kWidenIndices.part[0]), red);
  if constexpr (kPixels == kWidePixels) {
    _mm512_storeu_si512(out, first);
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(out + 64),
        _mm512_castsi512_si256(_mm512_permutex2var_epi8(blueGreen, _mm512_loadu_si512(kWidenIndices.part[1]), red)));
  } else {
    static_assert(kPixels == 16);  // 48 bytes
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_castsi512_si256(first));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm512_extracti32x4_epi32(first, 2));
  }
}

// A row of the copy to the preview. The preview goes downstream and is not read here again:
// its whole cache lines are streamed past the cache, so that they are not fetched only to be
// overwritten; the lines it shares with the rows beside it are stored as usual.
__attribute__((TARN_WIDEN_TARGET)) inline void StreamRow(const std::uint8_t* row, std::uint8_t* out) {
  const auto address = reinterpret_cast<std::uintptr_t>(out);
  const std::size_t head = (64 - address % 64) % 64;
  std::memcpy(out, row, head);
  std::size_t at = head;
  for (; at + 64 <= kRgbStride; at += 64) {
    _mm512_stream_si512(reinterpret_cast<__m512i*>(out + at), _mm512_loadu_si512(row + at));
  }
  std::memcpy(out + at, row + at, kRgbStride - at);
}

__attribute__((TARN_WIDEN_TARGET)) void WidenRowsAvx512(const std::uint16_t* reference, std::uint8_t* copy,
                                                        std::uint8_t* preview) {
  static_assert(kScreenWidth % kWidePixels == 16);
  // Bottom row first, so that the preview (top row first) is written from its start onwards.
  for (int y = kScreenHeight - 1; y >= 0; --y) {
    const std::uint16_t* words = reference + y * kScreenWidth;
    std::uint8_t* copyRow = copy + y * kRgbStride;
    int x = 0;
    for (; x + kWidePixels <= kScreenWidth; x += kWidePixels) WidenWide<kWidePixels>(words + x, copyRow + 3 * x);
    WidenWide<16>(words + x, copyRow + 3 * x);
    StreamRow(copyRow, preview + (kScreenHeight - 1 - y) * kRgbStride);
  }
  // Streamed stores are not ordered with later ones: the preview is whole before it is handed on.
  _mm_sfence();
}
TARN_AVX512_KERNELS_END
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
