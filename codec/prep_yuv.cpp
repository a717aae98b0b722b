// Packed 4:2:2 to 24-bit BGR in 20-bit fixed point.
#include <array>
#include <cstdint>

#include "codec/prep_simd.h"

#include "codec/picture_prep.h"

namespace tarn::codec {
namespace {

// Each term of the fixed-point sums for all 256 byte values. Integer sums do not depend on
// the grouping, so the looked-up terms give exactly the written formulas.
struct YuvTerms {
  std::array<std::int32_t, 256> luma;       // e = Y*1220944 - 19535104
  std::array<std::int32_t, 256> redFromV;   // V*1673555 - 213690752
  std::array<std::int32_t, 256> greenFromV; // 162220288 - V*852458
  std::array<std::int32_t, 256> greenFromU; // -U*410792
  std::array<std::int32_t, 256> blueFromU;  // U*2115221 - 270224000
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

inline void WritePixel(std::int32_t e, std::int32_t red, std::int32_t green, std::int32_t blue,
                       std::uint8_t* pixel) {
  pixel[0] = ClampByte(blue + e);
  pixel[1] = ClampByte(green + e);
  pixel[2] = ClampByte(red + e);
}

#if defined(__SSE2__)
// Eight pixels at a time. Each factor is split at 2^15 into two 16-bit halves, so that
// pmaddwd forms the exact 32-bit sums of the scalar formulas:
// 1220944 = 37*32768 + 8528, 1673555 = 51*32768 + 2387, 2115221 = 64*32768 + 18069,
// 852458 = 26*32768 + 490, 410792 = 12*32768 + 17576.
constexpr std::int32_t kRedConstant = -213690752 - 19535104;
constexpr std::int32_t kGreenConstant = 162220288 - 19535104;
constexpr std::int32_t kBlueConstant = -270224000 - 19535104;

// Factors for the pair (luma in the low 16 bits, chroma in the high 16 bits) of a 32-bit lane.
inline __m128i Factors(std::int16_t luma, std::int16_t chroma) {
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint16_t>(luma));
  const auto high = static_cast<std::uint32_t>(static_cast<std::uint16_t>(chroma)) << 16;
  return _mm_set1_epi32(static_cast<std::int32_t>(high | low));
}

// (high part << 15) + low part + constant, >> 20.
inline __m128i Combine(__m128i high, __m128i low, std::int32_t constant) {
  const __m128i sum = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(high, 15), low),
                                    _mm_set1_epi32(constant));
  return _mm_srai_epi32(sum, 20);
}

struct Channels {
  __m128i blue, green, red;  // four pixels, 32-bit lanes
};

// `words`: Y0 U Y1 V Y2 U Y3 V as 16-bit lanes.
inline Channels ConvertFour(__m128i words) {
  const __m128i lumaMask = _mm_set1_epi32(0x0000FFFF);
  const __m128i luma = _mm_and_si128(words, lumaMask);
  const __m128i withV = _mm_or_si128(luma, _mm_andnot_si128(lumaMask, _mm_shuffle_epi32(words, _MM_SHUFFLE(3, 3, 1, 1))));
  const __m128i withU = _mm_or_si128(luma, _mm_andnot_si128(lumaMask, _mm_shuffle_epi32(words, _MM_SHUFFLE(2, 2, 0, 0))));
  Channels out;
  out.red = Combine(_mm_madd_epi16(withV, Factors(37, 51)), _mm_madd_epi16(withV, Factors(8528, 2387)),
                    kRedConstant);
  out.blue = Combine(_mm_madd_epi16(withU, Factors(37, 64)),
                     _mm_madd_epi16(withU, Factors(8528, 18069)), kBlueConstant);
  const __m128i greenHigh = _mm_add_epi32(_mm_madd_epi16(withV, Factors(37, -26)),
                                          _mm_madd_epi16(withU, Factors(0, -12)));
  const __m128i greenLow = _mm_add_epi32(_mm_madd_epi16(withV, Factors(8528, -490)),
                                         _mm_madd_epi16(withU, Factors(0, -17576)));
  out.green = Combine(greenHigh, greenLow, kGreenConstant);
  return out;
}

// Writes 24 bytes at `out` and may scribble on the two bytes after them, which the caller
// writes afterwards.
inline void ConvertEight(const std::uint8_t* in, std::uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const Channels first = ConvertFour(_mm_unpacklo_epi8(raw, zero));
  const Channels second = ConvertFour(_mm_unpackhi_epi8(raw, zero));
  // Signed packing keeps the range; unsigned packing clamps to 0-255 like the scalar code.
  const __m128i blueGreen = _mm_packus_epi16(_mm_packs_epi32(first.blue, second.blue),
                                             _mm_packs_epi32(first.green, second.green));
  const __m128i red = _mm_packus_epi16(_mm_packs_epi32(first.red, second.red), zero);
  simd::StoreEightPixels(blueGreen, red, out);
}
#endif

}  // namespace

void YuvToRgb(const std::uint8_t* source, std::uint8_t* target, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const int groups = (width + 1) / 2;
  const int pairs = width / 2;  // groups whose second pixel lies inside the row
  const auto sourceStride = static_cast<std::size_t>(groups) * 4;
  const auto targetStride = static_cast<std::size_t>(width) * 3;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* in = source + static_cast<std::size_t>(row) * sourceStride;
    std::uint8_t* out = target + static_cast<std::size_t>(height - 1 - row) * targetStride;
    int group = 0;
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
}

}  // namespace tarn::codec
