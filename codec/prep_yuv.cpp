// Packed 4:2:2 to 24-bit BGR in 20-bit fixed point.
#include <array>
#include <cstdint>

#include "codec/prep_simd.h"

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"
#include "codec/prep_rows.h"

namespace tarn::codec {
namespace {

// Each term of the fixed-point sums for all 256 byte values. Integer sums do not depend on
// the grouping, so the looked-up terms give exactly the written formulas.
struct YuvTerms {
  std::array<std::int32_t, 256> luma;        // e = Y*1220944 - 19535104
  std::array<std::int32_t, 256> redFromV;    // V*1673555 - 213690752
  std::array<std::int32_t, 256> greenFromV;  // 162220288 - V*852458
  std::array<std::int32_t, 256> greenFromU;  // -U*410792
  std::array<std::int32_t, 256> blueFromU;   // U*2115221 - 270224000
};

constexpr YuvTerms MakeYuvTerms() {
  YuvTerms terms{};
  for (std::int32_t i = 0; i < 256; ++i) {
    const auto index = static_cast<std::size_t>(i);
    terms.luma[index] = i * 1220944 - 19535104;
    terms.redFromV[index] = i * 1673555 - 213690752;
    terms.greenFromV[index] = 162220288 - i * 852458;
    terms.greenFromU[index] = -i * 410792;
    terms.blueFromU[index] = i * 2115221 - 270224000;
  }
  return terms;
}

constexpr YuvTerms kTerms = MakeYuvTerms();

inline std::uint8_t ClampByte(std::int32_t sum) {
  const std::int32_t value = sum >> 20;
  return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

inline void WritePixel(std::int32_t e, std::int32_t red, std::int32_t green, std::int32_t blue, std::uint8_t* pixel) {
  pixel[0] = ClampByte(blue + e);
  pixel[1] = ClampByte(green + e);
  pixel[2] = ClampByte(red + e);
}

#if defined(__SSE2__)
// Eight pixels at a time in exact 32-bit sums. pmaddwd multiplies 16-bit pairs, so each
// factor is split as a + 64b (or a + 128b) and paired with the value and 64 (128) times it:
// 1220944 = 16 + 64*19077, 1673555 = 19 + 64*26149, 2115221 = 21 + 128*16525,
// 852458 = 42 + 64*13319, 410792 = 40 + 64*6418. Luma is shared by the three channels;
// chroma is summed once per group and then given to both of its pixels.
constexpr std::int32_t kRedConstant = -213690752 - 19535104;
constexpr std::int32_t kGreenConstant = 162220288 - 19535104;
constexpr std::int32_t kBlueConstant = -270224000 - 19535104;

// Factors for the pair (low 16 bits, high 16 bits) of each 32-bit lane.
inline __m128i Factors(std::int16_t low, std::int16_t high) {
  const auto lowBits = static_cast<std::uint32_t>(static_cast<std::uint16_t>(low));
  const auto highBits = static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16;
  return _mm_set1_epi32(static_cast<std::int32_t>(highBits | lowBits));
}

// A group's sum given to its two pixels: lanes g0 g0 g1 g1 (first) or g2 g2 g3 g3.
inline __m128i FirstPixels(__m128i groups) { return _mm_shuffle_epi32(groups, _MM_SHUFFLE(1, 1, 0, 0)); }
inline __m128i LastPixels(__m128i groups) { return _mm_shuffle_epi32(groups, _MM_SHUFFLE(3, 3, 2, 2)); }

// Both halves of one channel: (luma + chroma) >> 20, packed to 16-bit lanes.
inline __m128i Channel(__m128i lumaFirst, __m128i lumaLast, __m128i chroma) {
  const __m128i first = _mm_srai_epi32(_mm_add_epi32(lumaFirst, FirstPixels(chroma)), 20);
  const __m128i last = _mm_srai_epi32(_mm_add_epi32(lumaLast, LastPixels(chroma)), 20);
  return _mm_packs_epi32(first, last);  // the range -223..535 survives
}

// Writes 24 bytes at `out` and may scribble on the two bytes after them, which the caller
// writes afterwards.
inline void ConvertEight(const std::uint8_t* in, std::uint8_t* out) {
  const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const __m128i luma = _mm_and_si128(raw, _mm_set1_epi16(0x00FF));  // Y0..Y7
  const __m128i chroma = _mm_srli_epi16(raw, 8);                    // U0 V0 U1 V1 .. U3 V3
  const __m128i luma64 = _mm_slli_epi16(luma, 6);
  const __m128i lumaFactors = Factors(16, 19077);
  const __m128i lumaFirst = _mm_madd_epi16(_mm_unpacklo_epi16(luma, luma64), lumaFactors);
  const __m128i lumaLast = _mm_madd_epi16(_mm_unpackhi_epi16(luma, luma64), lumaFactors);

  const __m128i chroma64 = _mm_slli_epi16(chroma, 6);
  const __m128i chroma128 = _mm_slli_epi16(chroma, 7);
  const __m128i red =
      _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(chroma, Factors(0, 19)), _mm_madd_epi16(chroma64, Factors(0, 26149))),
                    _mm_set1_epi32(kRedConstant));
  const __m128i green = _mm_add_epi32(
      _mm_add_epi32(_mm_madd_epi16(chroma, Factors(-40, -42)), _mm_madd_epi16(chroma64, Factors(-6418, -13319))),
      _mm_set1_epi32(kGreenConstant));
  const __m128i blue =
      _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(chroma, Factors(21, 0)), _mm_madd_epi16(chroma128, Factors(16525, 0))),
                    _mm_set1_epi32(kBlueConstant));

  // Unsigned packing clamps to 0-255 like the scalar code.
  const __m128i blueGreen = _mm_packus_epi16(Channel(lumaFirst, lumaLast, blue), Channel(lumaFirst, lumaLast, green));
  const __m128i redBytes = _mm_packus_epi16(Channel(lumaFirst, lumaLast, red), _mm_setzero_si128());
  simd::StoreEightPixels(blueGreen, redBytes, out);
}
#endif

#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define TARN_YUV_AVX2 1
// The eight-pixel arithmetic above on sixteen pixels: every instruction works within its
// 128-bit half, so each half computes exactly what ConvertEight computes for its eight.
__attribute__((target("avx2"))) inline __m256i Factors256(std::int16_t low, std::int16_t high) {
  return _mm256_broadcastsi128_si256(Factors(low, high));
}

__attribute__((target("avx2"))) inline __m256i Channel256(__m256i lumaFirst, __m256i lumaLast, __m256i chroma) {
  const __m256i first =
      _mm256_srai_epi32(_mm256_add_epi32(lumaFirst, _mm256_shuffle_epi32(chroma, _MM_SHUFFLE(1, 1, 0, 0))), 20);
  const __m256i last =
      _mm256_srai_epi32(_mm256_add_epi32(lumaLast, _mm256_shuffle_epi32(chroma, _MM_SHUFFLE(3, 3, 2, 2))), 20);
  return _mm256_packs_epi32(first, last);
}

// Writes 48 bytes at `out` and may scribble on the two bytes after them.
__attribute__((target("avx2"))) void ConvertSixteen(const std::uint8_t* in, std::uint8_t* out) {
  const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
  const __m256i luma = _mm256_and_si256(raw, _mm256_set1_epi16(0x00FF));
  const __m256i chroma = _mm256_srli_epi16(raw, 8);
  const __m256i luma64 = _mm256_slli_epi16(luma, 6);
  const __m256i lumaFactors = Factors256(16, 19077);
  const __m256i lumaFirst = _mm256_madd_epi16(_mm256_unpacklo_epi16(luma, luma64), lumaFactors);
  const __m256i lumaLast = _mm256_madd_epi16(_mm256_unpackhi_epi16(luma, luma64), lumaFactors);

  const __m256i chroma64 = _mm256_slli_epi16(chroma, 6);
  const __m256i chroma128 = _mm256_slli_epi16(chroma, 7);
  const __m256i red = _mm256_add_epi32(
      _mm256_add_epi32(_mm256_madd_epi16(chroma, Factors256(0, 19)), _mm256_madd_epi16(chroma64, Factors256(0, 26149))),
      _mm256_set1_epi32(kRedConstant));
  const __m256i green = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(chroma, Factors256(-40, -42)),
                                                          _mm256_madd_epi16(chroma64, Factors256(-6418, -13319))),
                                         _mm256_set1_epi32(kGreenConstant));
  const __m256i blue = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(chroma, Factors256(21, 0)),
                                                         _mm256_madd_epi16(chroma128, Factors256(16525, 0))),
                                        _mm256_set1_epi32(kBlueConstant));

  const __m256i blueGreen =
      _mm256_packus_epi16(Channel256(lumaFirst, lumaLast, blue), Channel256(lumaFirst, lumaLast, green));
  const __m256i redBytes = _mm256_packus_epi16(Channel256(lumaFirst, lumaLast, red), _mm256_setzero_si256());
  simd::StoreEightPixels(_mm256_castsi256_si128(blueGreen), _mm256_castsi256_si128(redBytes), out);
  simd::StoreEightPixels(_mm256_extracti128_si256(blueGreen, 1), _mm256_extracti128_si256(redBytes, 1), out + 24);
}

// Sixteen pixels at a time while at least one pixel follows; returns the groups converted.
__attribute__((target("avx2"))) int ConvertRowAvx2(const std::uint8_t* in, std::uint8_t* out, int width) {
  int group = 0;
  for (; 2 * group + 16 < width; group += 8, in += 32, out += 48) ConvertSixteen(in, out);
  return group;
}
#endif

}  // namespace

void ConvertYuvRow(const std::uint8_t* in, std::uint8_t* out, int width) {
  const int groups = (width + 1) / 2;
  const int pairs = width / 2;  // groups whose second pixel lies inside the row
  int group = 0;
#if TARN_YUV_AVX2
  if (PrepUsesAvx2()) {
    group = ConvertRowAvx2(in, out, width);
    in += static_cast<std::size_t>(group) * 4;
    out += static_cast<std::size_t>(group) * 6;
  }
#endif
#if defined(__SSE2__)
  // Stop while at least one pixel follows, so that the stray bytes stay inside the row.
  for (; 2 * group + 8 < width; group += 4, in += 16, out += 24) ConvertEight(in, out);
#endif
  for (; group < groups; ++group, in += 4, out += 6) {
    const std::int32_t red = kTerms.redFromV[in[3]];
    const std::int32_t green = kTerms.greenFromV[in[3]] + kTerms.greenFromU[in[1]];
    const std::int32_t blue = kTerms.blueFromU[in[1]];
    WritePixel(kTerms.luma[in[0]], red, green, blue, out);
    // An odd width ends on half a group: its second pixel would spill into the next row.
    if (group < pairs) WritePixel(kTerms.luma[in[2]], red, green, blue, out + 3);
  }
}

void YuvToRgb(const std::uint8_t* source, std::uint8_t* target, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const auto sourceStride = static_cast<std::size_t>((width + 1) / 2) * 4;
  const auto targetStride = static_cast<std::size_t>(width) * 3;
  for (int row = 0; row < height; ++row) {
    ConvertYuvRow(source + static_cast<std::size_t>(row) * sourceStride,
                  target + static_cast<std::size_t>(height - 1 - row) * targetStride, width);
  }
}

}  // namespace tarn::codec
