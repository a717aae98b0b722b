// YUY2 input converted and halved in one pass: the full-size BGR picture is never written.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_YUV_HALVE_AVX2 1
#endif

#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"
#include "codec/prep_geometry.h"
#include "codec/prep_rows.h"
#include "codec/avx512_warnings.h"

namespace tarn::codec {
namespace {

// Output pixels per chunk of the portable pass; its rows live on the stack.
constexpr int kChunkPixels = 64;

// Groups [first, first + count) of two source rows: both converted to BGR, then averaged.
void ConvertAndHalveChunk(const std::uint8_t* upper, const std::uint8_t* lower, int count, std::uint8_t* out) {
  std::uint8_t upperBgr[kChunkPixels * 6];
  std::uint8_t lowerBgr[kChunkPixels * 6];
  ConvertYuvRow(upper, upperBgr, 2 * count);
  ConvertYuvRow(lower, lowerBgr, 2 * count);
  HalveRowPair(upperBgr, lowerBgr, count, out);
}

// Output pixels [first, pixels) of one row pair, chunk by chunk.
void ConvertAndHalvePortable(const std::uint8_t* upper, const std::uint8_t* lower, int first, int pixels,
                             std::uint8_t* out) {
  for (; first < pixels; first += kChunkPixels) {
    const auto groupBytes = static_cast<std::size_t>(first) * 4;
    ConvertAndHalveChunk(upper + groupBytes, lower + groupBytes, std::min(kChunkPixels, pixels - first),
                         out + static_cast<std::size_t>(first) * 3);
  }
}

#if TARN_YUV_HALVE_AVX2
// Eight groups of two rows give eight output pixels: output pixel p is the 2 x 2 average of
// group p in both rows, and a group's two pixels share their chroma. Each pixel is converted
// with the exact 32-bit sums of YuvToRgb (no term or sum leaves 32 bits, so the grouping does
// not matter) and clamped before the averaging, as the two separate steps do.
constexpr std::int32_t kLumaFactor = 1220944;
constexpr std::int32_t kLumaConstant = -19535104;

struct ChannelSums {
  __m256i blue, green, red;  // 16-bit lanes per 128-bit half: even pixels of groups 0-3, odd ones
};

__attribute__((target("avx2"))) inline __m256i ClampedPixels(__m256i chroma, __m256i evenLuma, __m256i oddLuma) {
  const __m256i even = _mm256_srai_epi32(_mm256_add_epi32(chroma, evenLuma), 20);
  const __m256i odd = _mm256_srai_epi32(_mm256_add_epi32(chroma, oddLuma), 20);
  // Unsigned saturation takes negative values to 0; the minimum takes the rest to 255.
  return _mm256_min_epi16(_mm256_packus_epi32(even, odd), _mm256_set1_epi16(255));
}

__attribute__((target("avx2"))) inline ChannelSums ConvertEightGroups(const std::uint8_t* in) {
  const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  const __m256i lumaFactor = _mm256_set1_epi32(kLumaFactor);
  const __m256i evenLuma = _mm256_mullo_epi32(_mm256_and_si256(raw, byteMask), lumaFactor);
  const __m256i oddLuma = _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(raw, 16), byteMask), lumaFactor);
  const __m256i u = _mm256_and_si256(_mm256_srli_epi32(raw, 8), byteMask);
  const __m256i v = _mm256_srli_epi32(raw, 24);
  const __m256i red = _mm256_add_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(1673555)),
                                       _mm256_set1_epi32(-213690752 + kLumaConstant));
  const __m256i green = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(-852458)),
                                                          _mm256_mullo_epi32(u, _mm256_set1_epi32(-410792))),
                                         _mm256_set1_epi32(162220288 + kLumaConstant));
  const __m256i blue = _mm256_add_epi32(_mm256_mullo_epi32(u, _mm256_set1_epi32(2115221)),
                                        _mm256_set1_epi32(-270224000 + kLumaConstant));
  return {ClampedPixels(blue, evenLuma, oddLuma), ClampedPixels(green, evenLuma, oddLuma),
          ClampedPixels(red, evenLuma, oddLuma)};
}

// Writes exactly 24 bytes at `out`.
__attribute__((target("avx2"))) void ConvertAndHalveEight(const std::uint8_t* upper, const std::uint8_t* lower,
                                                          std::uint8_t* out) {
  const ChannelSums a = ConvertEightGroups(upper);
  const ChannelSums b = ConvertEightGroups(lower);
  const __m256i blue = _mm256_add_epi16(a.blue, b.blue);
  const __m256i green = _mm256_add_epi16(a.green, b.green);
  const __m256i red = _mm256_add_epi16(a.red, b.red);
  // Even plus odd pixel of each group: blue and green sums side by side, then red.
  const __m256i blueGreen = _mm256_add_epi16(_mm256_unpacklo_epi64(blue, green), _mm256_unpackhi_epi64(blue, green));
  const __m256i reds = _mm256_add_epi16(red, _mm256_srli_si256(red, 8));
  const __m256i bytes = _mm256_packus_epi16(_mm256_srli_epi16(blueGreen, 2), _mm256_srli_epi16(reds, 2));
  // Per half: B0-B3 G0-G3 R0-R3 to B0 G0 R0 .. B3 G3 R3.
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1,  //
                                         0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
  const __m256i pixels = _mm256_shuffle_epi8(bytes, order);
  const __m128i first = _mm256_castsi256_si128(pixels);
  const __m128i last = _mm256_extracti128_si256(pixels, 1);
  // The first store's last four bytes are overwritten by the second.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), last);
  const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
  __builtin_memcpy(out + 20, &tail, 4);
}

// The same on sixteen groups: every instruction works within its 128-bit quarter, so each
// quarter computes what one half of the AVX2 code computes for its four groups.
#define TARN_AVX512 target("avx512f,avx512bw")
TARN_AVX512_KERNELS_BEGIN

__attribute__((TARN_AVX512)) inline __m512i ClampedPixels512(__m512i chroma, __m512i evenLuma, __m512i oddLuma) {
  const __m512i even = _mm512_srai_epi32(_mm512_add_epi32(chroma, evenLuma), 20);
  const __m512i odd = _mm512_srai_epi32(_mm512_add_epi32(chroma, oddLuma), 20);
  return _mm512_min_epi16(_mm512_packus_epi32(even, odd), _mm512_set1_epi16(255));
}

struct ChannelSums512 {
  __m512i blue, green, red;
};

__attribute__((TARN_AVX512)) inline ChannelSums512 ConvertSixteenGroups(const std::uint8_t* in) {
  const __m512i raw = _mm512_loadu_si512(in);
  const __m512i byteMask = _mm512_set1_epi32(0xFF);
  const __m512i lumaFactor = _mm512_set1_epi32(kLumaFactor);
  const __m512i evenLuma = _mm512_mullo_epi32(_mm512_and_si512(raw, byteMask), lumaFactor);
  const __m512i oddLuma = _mm512_mullo_epi32(_mm512_and_si512(_mm512_srli_epi32(raw, 16), byteMask), lumaFactor);
  const __m512i u = _mm512_and_si512(_mm512_srli_epi32(raw, 8), byteMask);
  const __m512i v = _mm512_srli_epi32(raw, 24);
  const __m512i red = _mm512_add_epi32(_mm512_mullo_epi32(v, _mm512_set1_epi32(1673555)),
                                       _mm512_set1_epi32(-213690752 + kLumaConstant));
  const __m512i green = _mm512_add_epi32(_mm512_add_epi32(_mm512_mullo_epi32(v, _mm512_set1_epi32(-852458)),
                                                          _mm512_mullo_epi32(u, _mm512_set1_epi32(-410792))),
                                         _mm512_set1_epi32(162220288 + kLumaConstant));
  const __m512i blue = _mm512_add_epi32(_mm512_mullo_epi32(u, _mm512_set1_epi32(2115221)),
                                        _mm512_set1_epi32(-270224000 + kLumaConstant));
  return {ClampedPixels512(blue, evenLuma, oddLuma), ClampedPixels512(green, evenLuma, oddLuma),
          ClampedPixels512(red, evenLuma, oddLuma)};
}

// Sixteen output pixels, each 128-bit quarter holding four: B0-B3 G0-G3 R0-R3, four spare.
__attribute__((TARN_AVX512)) inline __m512i HalvedSixteen(const std::uint8_t* upper, const std::uint8_t* lower) {
  const ChannelSums512 a = ConvertSixteenGroups(upper);
  const ChannelSums512 b = ConvertSixteenGroups(lower);
  const __m512i blue = _mm512_add_epi16(a.blue, b.blue);
  const __m512i green = _mm512_add_epi16(a.green, b.green);
  const __m512i red = _mm512_add_epi16(a.red, b.red);
  const __m512i blueGreen = _mm512_add_epi16(_mm512_unpacklo_epi64(blue, green), _mm512_unpackhi_epi64(blue, green));
  const __m512i reds = _mm512_add_epi16(red, _mm512_bsrli_epi128(red, 8));
  return _mm512_packus_epi16(_mm512_srli_epi16(blueGreen, 2), _mm512_srli_epi16(reds, 2));
}

// Writes exactly 48 bytes at `out`.
__attribute__((TARN_AVX512)) void ConvertAndHalveSixteen(const std::uint8_t* upper, const std::uint8_t* lower,
                                                         std::uint8_t* out) {
  const __m512i bytes = HalvedSixteen(upper, lower);
  const __m512i order = _mm512_broadcast_i32x4(_mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1));
  const __m512i pixels = _mm512_shuffle_epi8(bytes, order);
  // Each quarter's twelve bytes; a 16-byte store's last four are overwritten by the next.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm512_castsi512_si128(pixels));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm512_extracti32x4_epi32(pixels, 1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 24), _mm512_extracti32x4_epi32(pixels, 2));
  const __m128i last = _mm512_extracti32x4_epi32(pixels, 3);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 36), last);
  const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
  __builtin_memcpy(out + 44, &tail, 4);
}

// Sixteen output pixels at a time; returns how many were written.
__attribute__((TARN_AVX512)) int ConvertAndHalveAvx512(const std::uint8_t* upper, const std::uint8_t* lower, int pixels,
                                                       std::uint8_t* out) {
  int pixel = 0;
  for (; pixel + 16 <= pixels; pixel += 16, upper += 64, lower += 64, out += 48) {
    ConvertAndHalveSixteen(upper, lower, out);
  }
  return pixel;
}

// With byte permutes across the register (VBMI) and byte and word dot products (VNNI) the
// chroma terms come from word pairs, the clamped values are picked from both rows at once and
// their 2 x 2 sums taken in one step each.
#define TARN_AVX512_VNNI target("avx512f,avx512bw,avx512vbmi,avx512vnni")

// Byte indices of a permute across two registers; index bit 6 picks the second.
struct ByteOrder {
  std::uint8_t index[64];
};

// Dword g gets the clamped values of group g's two pixels in the upper row, then in the lower.
// A packed channel's 128-bit quarter q holds the words of the even pixels of groups 4q..4q+3,
// then of their odd pixels.
constexpr ByteOrder MakeQuadOrder() {
  ByteOrder order{};
  for (int g = 0; g < 16; ++g) {
    const int even = g / 4 * 16 + g % 4 * 2 + 1;
    const int bytes[4] = {even, even + 8, 64 + even, 64 + even + 8};
    for (int k = 0; k < 4; ++k) order.index[4 * g + k] = static_cast<std::uint8_t>(bytes[k]);
  }
  return order;
}

// Output pixel g: blue and green are bytes 1 and 3 of dword g of the first register, red byte
// 1 of dword g of the second.
constexpr ByteOrder MakePixelOrder() {
  ByteOrder order{};
  for (int g = 0; g < 16; ++g) {
    order.index[3 * g] = static_cast<std::uint8_t>(4 * g + 1);
    order.index[3 * g + 1] = static_cast<std::uint8_t>(4 * g + 3);
    order.index[3 * g + 2] = static_cast<std::uint8_t>(64 + 4 * g + 1);
  }
  return order;
}

// Byte 2 of each dword (a group's second luma) alone in its dword.
constexpr ByteOrder MakeOddLumaOrder() {
  ByteOrder order{};
  for (int i = 0; i < 64; ++i) order.index[i] = static_cast<std::uint8_t>(i % 4 == 0 ? i % 16 + 2 : 0x80);
  return order;
}

constexpr ByteOrder kQuadOrder = MakeQuadOrder();
constexpr ByteOrder kPixelOrder = MakePixelOrder();
constexpr ByteOrder kOddLumaOrder = MakeOddLumaOrder();

// The kernel's byte orders and the constants the compiler would otherwise make again on every
// step, made once per row pair.
struct VnniConstants {
  __m512i quad, pixel, oddLuma;
  __m512i blueLarge;  // blue's factor of (U, V) x 128
  __m512i weights;    // 64 in every byte
};

// Word pairs (low, high) as the dot products take them.
constexpr std::int32_t WordPair(std::int16_t low, std::int16_t high) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16 |
                                   static_cast<std::uint16_t>(low));
}

// The value as a register the compiler cannot see into: it keeps it rather than make it again.
[[gnu::always_inline]] inline __attribute__((TARN_AVX512_VNNI)) __m512i Opaque(__m512i value) {
  asm("" : "+v"(value));
  return value;
}

struct PackedRow {
  __m512i blue, green, red;  // per channel, a word per pixel with the clamped value in its high byte
};

// constant + (U, V) . small + (U, V) x scale . large, per group.
[[gnu::always_inline]] inline __attribute__((TARN_AVX512_VNNI)) __m512i ChromaTerm(std::int32_t constant, __m512i uv,
                                                                                   std::int32_t small, __m512i scaled,
                                                                                   __m512i large) {
  const __m512i sum = _mm512_dpwssd_epi32(_mm512_set1_epi32(constant), uv, _mm512_set1_epi32(small));
  return _mm512_dpwssd_epi32(sum, scaled, large);
}

[[gnu::always_inline]] inline __attribute__((TARN_AVX512_VNNI)) __m512i PackChannel(__m512i chroma, __m512i evenLuma,
                                                                                    __m512i oddLuma) {
  return _mm512_packus_epi32(_mm512_srai_epi32(_mm512_add_epi32(chroma, evenLuma), 12),
                             _mm512_srai_epi32(_mm512_add_epi32(chroma, oddLuma), 12));
}

// One row of sixteen groups. The chroma terms are word dot products of (U, V) and (U, V) x 64
// or x 128 with each factor split as a + 64b (a + 128b), as ConvertEight does; the sums are the
// exact 32-bit ones. Shifted by 12 instead of 20 and packed with unsigned saturation, a sum's
// high byte is its value clamped to 0..255: below 0 the word is 0, from 256 on it is 0xFFFF.
[[gnu::always_inline]] inline __attribute__((TARN_AVX512_VNNI)) PackedRow PackRow(__m512i raw,
                                                                                  const VnniConstants& constants) {
  const __m512i byteMask = _mm512_set1_epi32(0xFF);
  const __m512i lumaFactor = _mm512_set1_epi32(kLumaFactor);
  const __m512i evenLuma = _mm512_mullo_epi32(_mm512_and_si512(raw, byteMask), lumaFactor);
  const __m512i oddLuma = _mm512_mullo_epi32(_mm512_shuffle_epi8(raw, constants.oddLuma), lumaFactor);
  const __m512i uv = _mm512_srli_epi16(raw, 8);
  const __m512i uv64 = _mm512_slli_epi16(uv, 6);
  const __m512i uv128 = _mm512_slli_epi16(uv, 7);
  const __m512i red =
      ChromaTerm(-213690752 + kLumaConstant, uv, WordPair(0, 19), uv64, _mm512_set1_epi32(WordPair(0, 26149)));
  const __m512i green =
      ChromaTerm(162220288 + kLumaConstant, uv, WordPair(-40, -42), uv64, _mm512_set1_epi32(WordPair(-6418, -13319)));
  const __m512i blue = ChromaTerm(-270224000 + kLumaConstant, uv, WordPair(21, 0), uv128, constants.blueLarge);
  return {PackChannel(blue, evenLuma, oddLuma), PackChannel(green, evenLuma, oddLuma),
          PackChannel(red, evenLuma, oddLuma)};
}

// Sixteen groups of two rows to sixteen output pixels.
[[gnu::always_inline]] inline __attribute__((TARN_AVX512_VNNI)) __m512i HalveSixteenGroups(
    __m512i upper, __m512i lower, const VnniConstants& constants) {
  // Each byte weighs 64: a dword's four values sum to at most 1020, times 64 below 65,536, so
  // the dword's byte 1 is the sum divided by 4 and rounded down.
  const __m512i weights = constants.weights;
  const __m512i zero = _mm512_setzero_si512();
  const PackedRow a = PackRow(upper, constants);
  const PackedRow b = PackRow(lower, constants);
  const __m512i greens = _mm512_dpbusd_epi32(zero, _mm512_permutex2var_epi8(a.green, constants.quad, b.green), weights);
  const __m512i blueGreen = _mm512_dpbusd_epi32(_mm512_slli_epi32(greens, 16),
                                                _mm512_permutex2var_epi8(a.blue, constants.quad, b.blue), weights);
  const __m512i reds = _mm512_dpbusd_epi32(zero, _mm512_permutex2var_epi8(a.red, constants.quad, b.red), weights);
  return _mm512_permutex2var_epi8(blueGreen, constants.pixel, reds);  // 48 bytes of B, G, R
}

// All `pixels` output pixels; the last step reads and writes only the bytes that are there.
// `ahead` leads from a row pair to the next one, asked for a line at a time as this one goes.
__attribute__((TARN_AVX512_VNNI)) void ConvertAndHalveAvx512Vnni(const std::uint8_t* upper, const std::uint8_t* lower,
                                                                 int pixels, std::ptrdiff_t ahead, std::uint8_t* out) {
  const VnniConstants constants{_mm512_loadu_si512(kQuadOrder.index), _mm512_loadu_si512(kPixelOrder.index),
                                _mm512_loadu_si512(kOddLumaOrder.index), Opaque(_mm512_set1_epi32(WordPair(16525, 0))),
                                Opaque(_mm512_set1_epi8(64))};
  int pixel = 0;
  for (; pixel + 16 <= pixels; pixel += 16, upper += 64, lower += 64, out += 48) {
    _mm_prefetch(reinterpret_cast<const char*>(upper + ahead), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(lower + ahead), _MM_HINT_T0);
    const __m512i ordered = HalveSixteenGroups(_mm512_loadu_si512(upper), _mm512_loadu_si512(lower), constants);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_castsi512_si256(ordered));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm512_extracti32x4_epi32(ordered, 2));
  }
  if (pixel < pixels) {
    const int rest = pixels - pixel;
    const __mmask64 groupBytes = (__mmask64{1} << (4 * rest)) - 1;
    const __m512i ordered = HalveSixteenGroups(_mm512_maskz_loadu_epi8(groupBytes, upper),
                                               _mm512_maskz_loadu_epi8(groupBytes, lower), constants);
    _mm512_mask_storeu_epi8(out, (__mmask64{1} << (3 * rest)) - 1, ordered);
  }
}
TARN_AVX512_KERNELS_END

// Eight output pixels at a time; returns how many were written.
__attribute__((target("avx2"))) int ConvertAndHalveAvx2(const std::uint8_t* upper, const std::uint8_t* lower,
                                                        int pixels, std::uint8_t* out) {
  int pixel = 0;
  for (; pixel + 8 <= pixels; pixel += 8, upper += 32, lower += 32, out += 24) {
    ConvertAndHalveEight(upper, lower, out);
  }
  return pixel;
}
#endif

// `ahead` leads from this row pair to the next (0 for the last).
void ConvertAndHalveRowPair(const std::uint8_t* upper, const std::uint8_t* lower, int pixels, std::ptrdiff_t ahead,
                            std::uint8_t* out) {
#if TARN_YUV_HALVE_AVX2
  // The widest kernel takes the whole row, asking for the next pair a line at a time.
  if (PrepUsesAvx512Vnni()) {
    ConvertAndHalveAvx512Vnni(upper, lower, pixels, ahead, out);
    return;
  }
#endif
  // The other paths ask for the next pair in one go before converting this one.
  if (ahead != 0) {
    for (std::ptrdiff_t at = 0; at < 2 * (upper - lower); at += 64) __builtin_prefetch(lower + ahead + at);
  }
  int first = 0;
#if TARN_YUV_HALVE_AVX2
  if (PrepUsesAvx512()) first = ConvertAndHalveAvx512(upper, lower, pixels, out);
  if (PrepUsesAvx2()) {
    const auto done = static_cast<std::size_t>(first);
    first += ConvertAndHalveAvx2(upper + done * 4, lower + done * 4, pixels - first, out + done * 3);
  }
#endif
  ConvertAndHalvePortable(upper, lower, first, pixels, out);
}

}  // namespace

void YuvToHalvedRgb(const std::uint8_t* source, std::uint8_t* target, int& width, int& height,
                    const FitSettings& settings) {
  if (width <= 0 || height <= 0) return;
  if (!NeedsHalving(width, height, settings)) {
    YuvToRgb(source, target, width, height);
    return;
  }
  const auto sourceStride = static_cast<std::size_t>((width + 1) / 2) * 4;
  // Only whole groups take part: an odd width drops its last column, like the halving does.
  const int outPixels = width / 2;
  const auto outStride = static_cast<std::size_t>(outPixels) * 3;
  const int outRows = (height + 1) / 2;
  // The converted picture is bottom-up: its rows 2k and 2k + 1 are source rows height - 1 - 2k
  // and height - 2 - 2k; an odd height pairs the last converted row with itself.
  for (int row = 0; row < outRows; ++row) {
    const int upperRow = height - 1 - 2 * row;
    const int lowerRow = std::max(upperRow - 1, 0);
    // The rows run backwards through the source, which the processor does not foresee: the
    // next pair is asked for while this one is converted.
    const std::ptrdiff_t ahead = lowerRow >= 2 ? -2 * static_cast<std::ptrdiff_t>(sourceStride) : 0;
    ConvertAndHalveRowPair(source + static_cast<std::size_t>(upperRow) * sourceStride,
                           source + static_cast<std::size_t>(lowerRow) * sourceStride, outPixels, ahead,
                           target + static_cast<std::size_t>(row) * outStride);
  }
  width /= 2;
  height /= 2;
  HalvePicture(target, width, height, settings);
}

}  // namespace tarn::codec
