#include "codec/prep_sharpen.h"

#include <algorithm>
#include <cstring>

#include "codec/prep_cpu.h"
#include "codec/screen.h"
#include "codec/avx512_warnings.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_SHARPEN_AVX2 1
#endif

namespace tarn::codec {
namespace {

constexpr auto kStride = static_cast<std::ptrdiff_t>(kRgbStride);
// The detail amount by signed difference of blue and its neighbours' mean: index d + 255 for
// d in -255..255.
constexpr int kDifferences = 511;

// The inner part of one row from pixel `first` on: `in` and `out` point at pixel 0 of the
// part. The amount comes from the blue channel alone and goes to all three.
template <class Amount>
void SharpenPixels(const std::uint8_t* in, std::uint8_t* out, int first, int pixels, const Amount* amountOf) {
  for (int x = first; x < pixels; ++x) {
    const std::uint8_t* pixel = in + x * 3;
    const int neighbours = pixel[-3] + pixel[3] + pixel[-kStride] + pixel[kStride];
    const int amount = amountOf[pixel[0] - (neighbours >> 2) + 255];
    for (int c = 0; c < 3; ++c) out[x * 3 + c] = static_cast<std::uint8_t>(std::clamp(pixel[c] + amount, 0, 255));
  }
}

#if TARN_SHARPEN_AVX2
// The blue bytes of the eight pixels at `at` (24 bytes, nothing read beyond them) as 16-bit
// lanes.
__attribute__((target("avx2"))) inline __m128i EightBlues(const std::uint8_t* at) {
  const __m128i head = _mm_setr_epi8(0, -1, 3, -1, 6, -1, 9, -1, 12, -1, 15, -1, -1, -1, -1, -1);
  const __m128i tail = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 10, -1, 13, -1);
  return _mm_or_si128(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), head),
                      _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 8)), tail));
}

// Eight pixels at a time: the amounts looked up with one gather, spread to the three channels
// of each pixel and added with saturation (the sums stay within 16 bits: 255 + 248 at most).
__attribute__((target("avx2"))) int SharpenEightsAvx2(const std::uint8_t* in, std::uint8_t* out, int pixels,
                                                      const std::int32_t* amountOf) {
  const __m128i spread0 = _mm_setr_epi8(0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5);
  const __m128i spread1 = _mm_setr_epi8(4, 5, 6, 7, 6, 7, 6, 7, 8, 9, 8, 9, 8, 9, 10, 11);
  const __m128i spread2 = _mm_setr_epi8(10, 11, 10, 11, 12, 13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15);
  const __m256i middle = _mm256_set1_epi32(255);
  int x = 0;
  for (; x + 8 <= pixels; x += 8) {
    const std::uint8_t* at = in + x * 3;
    const __m128i neighbours = _mm_add_epi16(_mm_add_epi16(EightBlues(at - 3), EightBlues(at + 3)),
                                             _mm_add_epi16(EightBlues(at - kStride), EightBlues(at + kStride)));
    const __m128i difference = _mm_sub_epi16(EightBlues(at), _mm_srli_epi16(neighbours, 2));
    const __m256i index = _mm256_add_epi32(_mm256_cvtepi16_epi32(difference), middle);
    const __m256i amounts32 = _mm256_i32gather_epi32(amountOf, index, 4);
    const __m128i amounts = _mm_packs_epi32(_mm256_castsi256_si128(amounts32), _mm256_extracti128_si256(amounts32, 1));
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i tail = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + 16));
    const __m128i first = _mm_add_epi16(_mm_cvtepu8_epi16(head), _mm_shuffle_epi8(amounts, spread0));
    const __m128i second =
        _mm_add_epi16(_mm_cvtepu8_epi16(_mm_srli_si128(head, 8)), _mm_shuffle_epi8(amounts, spread1));
    const __m128i third = _mm_add_epi16(_mm_cvtepu8_epi16(tail), _mm_shuffle_epi8(amounts, spread2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 3), _mm_packus_epi16(first, second));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x * 3 + 16), _mm_packus_epi16(third, third));
  }
  return x;
}

// Thirty-two pixels at a time with byte permutes (AVX-512 VBMI): the five blue bytes of each
// pixel picked out of 102-byte loads, the amount's size looked up in the 256-byte detail table
// by |d| and added to or taken from each channel with byte saturation, which clamps to 0-255
// as the plain sum does.
#define TARN_SHARPEN_AVX512 target("avx512f,avx512bw,avx512vbmi")
constexpr int kWidePixels = 32;

struct WideIndices {
  std::uint8_t left[64], centre[64], right[64];  // byte 2i: blue of pixel i counted from the byte before it
  std::uint8_t spread[2][64];                    // output byte j of pixel j / 3
};

constexpr WideIndices MakeWideIndices() {
  WideIndices indices{};
  for (int i = 0; i < 64; ++i) {
    const int pixel = i / 2;
    indices.left[i] = static_cast<std::uint8_t>(3 * pixel);
    indices.centre[i] = static_cast<std::uint8_t>(3 * pixel + 3);
    indices.right[i] = static_cast<std::uint8_t>(3 * pixel + 6);
    indices.spread[0][i] = static_cast<std::uint8_t>(i / 3);
    indices.spread[1][i] = static_cast<std::uint8_t>((64 + i) / 3 % kWidePixels);
  }
  return indices;
}

constexpr WideIndices kWideIndices = MakeWideIndices();

TARN_AVX512_KERNELS_BEGIN

// The bytes from the pixel before `at` to the pixel after the last of `count` (at most 32), in
// two registers; nothing beyond them is read.
struct WideRow {
  __m512i low, high;
};

__attribute__((TARN_SHARPEN_AVX512)) inline WideRow LoadWideRow(const std::uint8_t* at, int count) {
  const int bytes = 3 * count + 6;
  const __mmask64 low = bytes >= 64 ? ~__mmask64{0} : (__mmask64{1} << bytes) - 1;
  const __mmask64 high = bytes > 64 ? (__mmask64{1} << (bytes - 64)) - 1 : 0;
  return {_mm512_maskz_loadu_epi8(low, at - 3), _mm512_maskz_loadu_epi8(high, at + 61)};
}

// The 32 blues as 16-bit lanes: picked into the low bytes, the high ones zeroed by the mask.
__attribute__((TARN_SHARPEN_AVX512)) inline __m512i Blues(const WideRow& row, const std::uint8_t* index) {
  return _mm512_maskz_permutex2var_epi8(0x5555555555555555, row.low, _mm512_loadu_si512(index), row.high);
}

// Each channel byte plus or minus its pixel's amount (`spread` names the pixel of each byte),
// with byte saturation.
__attribute__((TARN_SHARPEN_AVX512)) inline __m512i AddAmounts(__m512i pixel, const std::uint8_t* spread,
                                                               __m512i amount, __m512i negative) {
  const __m512i index = _mm512_loadu_si512(spread);
  const __m512i amounts = _mm512_permutexvar_epi8(index, amount);
  const __mmask64 taken = _mm512_movepi8_mask(_mm512_permutexvar_epi8(index, negative));
  return _mm512_mask_blend_epi8(taken, _mm512_adds_epu8(pixel, amounts), _mm512_subs_epu8(pixel, amounts));
}

// `count` pixels (at most 32) at `at` sharpened to `to`; only their 3 x count bytes are written.
[[gnu::always_inline]] inline __attribute__((TARN_SHARPEN_AVX512)) void SharpenUpToThirtyTwo(const std::uint8_t* at,
                                                                                             std::uint8_t* to,
                                                                                             int count,
                                                                                             const __m512i* detail) {
  const WideIndices& w = kWideIndices;
  const WideRow row = LoadWideRow(at, count);
  const __m512i neighbours = _mm512_add_epi16(_mm512_add_epi16(Blues(row, w.left), Blues(row, w.right)),
                                              _mm512_add_epi16(Blues(LoadWideRow(at - kStride, count), w.centre),
                                                               Blues(LoadWideRow(at + kStride, count), w.centre)));
  const __m512i difference = _mm512_sub_epi16(Blues(row, w.centre), _mm512_srli_epi16(neighbours, 2));
  // |d| as bytes, its detail amount (bit 7 picks the table's half), and the sign per pixel.
  const __m512i size = _mm512_castsi256_si512(_mm512_cvtepi16_epi8(_mm512_abs_epi16(difference)));
  const __m512i amount =
      _mm512_mask_blend_epi8(_mm512_movepi8_mask(size), _mm512_permutex2var_epi8(detail[0], size, detail[1]),
                             _mm512_permutex2var_epi8(detail[2], size, detail[3]));
  const __m512i negative = _mm512_movm_epi8(_mm512_movepi16_mask(difference));
  // The 3 x count bytes: up to 64, then the rest.
  const int bytes = 3 * count;
  const __mmask64 low = bytes >= 64 ? ~__mmask64{0} : (__mmask64{1} << bytes) - 1;
  const __mmask64 high = bytes > 64 ? (__mmask64{1} << (bytes - 64)) - 1 : 0;
  _mm512_mask_storeu_epi8(to, low, AddAmounts(_mm512_maskz_loadu_epi8(low, at), w.spread[0], amount, negative));
  _mm512_mask_storeu_epi8(to + 64, high,
                          AddAmounts(_mm512_maskz_loadu_epi8(high, at + 64), w.spread[1], amount, negative));
}

// Every pixel of the row, the last ones with masked loads and stores.
__attribute__((TARN_SHARPEN_AVX512)) int SharpenWideAvx512(const std::uint8_t* in, std::uint8_t* out, int pixels,
                                                           const std::uint8_t* detail) {
  const __m512i tables[4] = {_mm512_loadu_si512(detail), _mm512_loadu_si512(detail + 64),
                             _mm512_loadu_si512(detail + 128), _mm512_loadu_si512(detail + 192)};
  for (int x = 0; x < pixels; x += kWidePixels) {
    SharpenUpToThirtyTwo(in + x * 3, out + x * 3, std::min(kWidePixels, pixels - x), tables);
  }
  return pixels;
}
TARN_AVX512_KERNELS_END
#endif

// Copies what the sharpening leaves as it is: the rows above and below the inner part and the
// columns beside it.
void CopyAroundInnerPart(const std::uint8_t* work, int firstRow, int endRow, int firstColumn, int pixels,
                         std::uint8_t* prepared) {
  std::memcpy(prepared, work, static_cast<std::size_t>(firstRow) * kRgbStride);
  std::memcpy(prepared + endRow * kStride, work + endRow * kStride,
              static_cast<std::size_t>(kScreenHeight - endRow) * kRgbStride);
  const auto left = static_cast<std::size_t>(firstColumn) * 3;
  const auto right = static_cast<std::size_t>(firstColumn + pixels) * 3;
  for (int row = firstRow; row < endRow; ++row) {
    std::memcpy(prepared + row * kStride, work + row * kStride, left);
    std::memcpy(prepared + row * kStride + right, work + row * kStride + right, kRgbStride - right);
  }
}

}  // namespace

void SharpenPlacedPicture(const std::uint8_t* work, const FitGeometry& geometry, const std::uint8_t* detail,
                          std::uint8_t* prepared) {
  const int firstRow = geometry.top + 1;
  const int endRow = geometry.top + geometry.placedHeight - 1;
  const int firstColumn = geometry.left + 1;
  const int pixels = geometry.placedWidth - 2;
  if (pixels <= 0 || endRow <= firstRow) {
    std::memcpy(prepared, work, kRgbPictureBytes);
    return;
  }
  CopyAroundInnerPart(work, firstRow, endRow, firstColumn, pixels, prepared);

  std::int32_t amountOf[kDifferences];
  for (int d = -255; d <= 255; ++d) amountOf[d + 255] = d >= 0 ? detail[d] : -detail[-d];
#if TARN_SHARPEN_AVX2
  const bool avx2 = PrepUsesAvx2();
  const bool wide = PrepUsesAvx512Vbmi();
#endif
  for (int row = firstRow; row < endRow; ++row) {
    const std::uint8_t* in = work + row * kStride + firstColumn * 3;
    std::uint8_t* out = prepared + row * kStride + firstColumn * 3;
    int done = 0;
#if TARN_SHARPEN_AVX2
    if (wide) done = SharpenWideAvx512(in, out, pixels, detail);
    if (avx2) done += SharpenEightsAvx2(in + done * 3, out + done * 3, pixels - done, amountOf);
#endif
    SharpenPixels(in, out, done, pixels, amountOf);
  }
}

}  // namespace tarn::codec
