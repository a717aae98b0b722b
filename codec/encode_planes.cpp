#include "codec/encode_planes.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "codec/avx512_warnings.h"
#include "codec/encode_region_sums.h"
#include "codec/prep_cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_PLANES_AVX2 1
#endif

namespace tarn::codec {
namespace {

// The weighted products of the conversion, looked up instead of multiplied: each product is
// shifted on its own, so a table per term gives the same values.
struct YuvTables {
  std::int32_t yBlue[256], yGreen[256], yRed[256];
  std::int16_t u[511], v[511];  // indexed by blue - y + 255 and red - y + 255

  constexpr YuvTables() : yBlue(), yGreen(), yRed(), u(), v() {
    for (int c = 0; c < 256; ++c) {
      yBlue[c] = (c * 119538) >> 20;
      yGreen[c] = (c * 615514) >> 20;
      yRed[c] = (c * 313524) >> 20;
    }
    for (int d = -255; d <= 255; ++d) {
      u[d + 255] = static_cast<std::int16_t>((d * 589244) >> 20);
      v[d + 255] = static_cast<std::int16_t>((d * 743962) >> 20);
    }
  }
};

constexpr YuvTables kTables;

YuvSample TableYuv(const std::uint8_t* bgr) {
  const int blue = bgr[0], green = bgr[1], red = bgr[2];
  const int y = kTables.yGreen[green] + kTables.yBlue[blue] + kTables.yRed[red];
  return {y, kTables.u[blue - y + 255], kTables.v[red - y + 255]};
}

void ConvertPixels(const std::uint8_t* bgr, std::size_t first, std::size_t end, YuvPlane& plane) {
  for (std::size_t i = first; i < end; ++i) {
    const YuvSample sample = TableYuv(bgr + i * 3);
    plane.y[i] = static_cast<std::int16_t>(sample.y);
    plane.u[i] = static_cast<std::int16_t>(sample.u);
    plane.v[i] = static_cast<std::int16_t>(sample.v);
  }
}

void StoreDifferences(int dy, int du, int dv, std::size_t i, KeepDifferences& differences) {
  differences.largest[i] = static_cast<std::int16_t>(std::max(dy, std::max(du, dv)));
  differences.sum[i] = static_cast<std::int16_t>(dy + du + dv);
}

void DifferencesOfPixels(const std::uint8_t* current, const std::uint8_t* reference, std::size_t first, std::size_t end,
                         KeepDifferences& differences) {
  for (std::size_t i = first; i < end; ++i) {
    const YuvSample a = TableYuv(current + i * 3), b = TableYuv(reference + i * 3);
    StoreDifferences(std::abs(a.y - b.y), std::abs(a.u - b.u), std::abs(a.v - b.v), i, differences);
  }
}

// One cell from its top-left byte.
void MeasureCell(const std::uint8_t* first, std::int32_t* cell) {
  constexpr int kSide = FillCells::kSide;
#if defined(__SSE2__)
  using namespace region_sums;
  const PositionSums positions = PositionsOf<kSide, kSide>(first);
  const __m128i sums[3] = {positions.Sum(0), positions.Sum(1), positions.Sum(2)};
  // Lane 3 of the channels (not a channel) gets the squares of every byte.
  __m128i squares = _mm_add_epi32(_mm_add_epi32(positions.squares[0], positions.squares[1]), positions.squares[2]);
  squares = _mm_add_epi32(squares, _mm_slli_si128(squares, 8));
  squares = _mm_add_epi32(squares, _mm_slli_si128(squares, 4));
  const __m128i channels = _mm_set_epi32(0, -1, -1, -1);
  _mm_store_si128(reinterpret_cast<__m128i*>(cell),
                  _mm_or_si128(_mm_and_si128(ChannelsOf<kSide>(sums), channels), _mm_andnot_si128(channels, squares)));
#else
  const ChannelSums sums = RegionSums<kSide, kSide>(first);
  for (int c = 0; c < 3; ++c) cell[c] = sums.sum[c];
  cell[3] = sums.sumOfSquares[0] + sums.sumOfSquares[1] + sums.sumOfSquares[2];
#endif
}

#if TARN_PLANES_AVX2
// Packs eight 32-bit values to 16 bits: packs works per half, so the halves' low 64 bits are
// gathered afterwards.
__attribute__((target("avx2"))) inline void StoreAs16Bits(std::int16_t* at, const __m256i& values) {
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(values, values), 0x08);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(packed));
}

struct YuvLanes {
  __m256i y, u, v;
};

// Each weighted product shifted on its own.
__attribute__((target("avx2"), always_inline)) inline __m256i Product(__m256i channel, int weight) {
  return _mm256_srai_epi32(_mm256_mullo_epi32(channel, _mm256_set1_epi32(weight)), 20);
}

// Eight pixels at `p` with 32-bit products: the same integer arithmetic as the tables, so the
// planes do not depend on which path the processor takes. Reads 28 bytes for the 24.
__attribute__((target("avx2"), always_inline)) inline YuvLanes EightPixelsAvx2(const std::uint8_t* p) {
  // Within each 128-bit half: pixels 0-3 of the 12 bytes loaded there, one channel to 32 bits.
  const __m256i takeBlue = _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1, 0, -1, -1, -1,
                                            3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  const __m256i takeGreen = _mm256_add_epi8(takeBlue, _mm256_set1_epi32(1));
  const __m256i takeRed = _mm256_add_epi8(takeBlue, _mm256_set1_epi32(2));
  const __m256i bytes =
      _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 12), reinterpret_cast<const __m128i*>(p));
  const __m256i blue = _mm256_shuffle_epi8(bytes, takeBlue);
  const __m256i green = _mm256_shuffle_epi8(bytes, takeGreen);
  const __m256i red = _mm256_shuffle_epi8(bytes, takeRed);
  const __m256i y =
      _mm256_add_epi32(_mm256_add_epi32(Product(green, 615514), Product(blue, 119538)), Product(red, 313524));
  return {y, Product(_mm256_sub_epi32(blue, y), 589244), Product(_mm256_sub_epi32(red, y), 743962)};
}

// Two cells side by side (kAcross is even: a pair never straddles two rows of cells), one in
// each half of the registers, with the narrow path's arithmetic. Reads 28 bytes of each row for
// the 24.
__attribute__((target("avx2"))) void TwoCellsAvx2(const std::uint8_t* first, std::int32_t* cells) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i twelveBytes = _mm256_setr_epi32(-1, -1, -1, 0, -1, -1, -1, 0);
  __m256i low = zero, high = zero, squares = zero;  // positions 0-7 and 8-11 summed, all squares
  for (int row = 0; row < FillCells::kSide; ++row) {
    const std::uint8_t* const at = first + row * kRgbStride;
    const __m256i bytes = _mm256_and_si256(
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(at + 12), reinterpret_cast<const __m128i*>(at)),
        twelveBytes);
    const __m256i rowLow = _mm256_unpacklo_epi8(bytes, zero), rowHigh = _mm256_unpackhi_epi8(bytes, zero);
    low = _mm256_add_epi16(low, rowLow);
    high = _mm256_add_epi16(high, rowHigh);
    squares = _mm256_add_epi32(
        squares, _mm256_add_epi32(_mm256_madd_epi16(rowLow, rowLow), _mm256_madd_epi16(rowHigh, rowHigh)));
  }
  // Channel c is positions c, c + 3, c + 6 and c + 9 (16-bit: at most 16 * 255).
  const __m256i upper = _mm256_alignr_epi8(high, low, 12);  // positions 6-11, then zeros
  const __m256i folded = _mm256_add_epi16(_mm256_add_epi16(low, _mm256_srli_si256(low, 6)),
                                          _mm256_add_epi16(upper, _mm256_srli_si256(upper, 6)));
  const __m256i channels = _mm256_unpacklo_epi16(folded, zero);
  squares = _mm256_add_epi32(squares, _mm256_srli_si256(squares, 8));
  squares = _mm256_add_epi32(squares, _mm256_srli_si256(squares, 4));  // lane 0: the cell's squares
  const __m256i cell = _mm256_blend_epi32(channels, _mm256_slli_si256(squares, 12), 0x88);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(cells), cell);
}

__attribute__((target("avx2"))) void ConvertPixelsAvx2(const std::uint8_t* bgr, std::size_t end, YuvPlane& plane) {
  for (std::size_t i = 0; i < end; i += 8) {
    const YuvLanes lanes = EightPixelsAvx2(bgr + i * 3);
    StoreAs16Bits(&plane.y[i], lanes.y);
    StoreAs16Bits(&plane.u[i], lanes.u);
    StoreAs16Bits(&plane.v[i], lanes.v);
  }
}

// Both pictures converted and compared eight pixels at a time, the planes never stored.
__attribute__((target("avx2"))) void DifferencesOfPixelsAvx2(const std::uint8_t* current, const std::uint8_t* reference,
                                                             std::size_t end, KeepDifferences& differences) {
  for (std::size_t i = 0; i < end; i += 8) {
    const YuvLanes a = EightPixelsAvx2(current + i * 3), b = EightPixelsAvx2(reference + i * 3);
    const __m256i dy = _mm256_abs_epi32(_mm256_sub_epi32(a.y, b.y));
    const __m256i du = _mm256_abs_epi32(_mm256_sub_epi32(a.u, b.u));
    const __m256i dv = _mm256_abs_epi32(_mm256_sub_epi32(a.v, b.v));
    StoreAs16Bits(&differences.largest[i], _mm256_max_epi32(dy, _mm256_max_epi32(du, dv)));
    StoreAs16Bits(&differences.sum[i], _mm256_add_epi32(dy, _mm256_add_epi32(du, dv)));
  }
}

// Thirty-two pixels at a time in 16-bit lanes. Each weighted product (c * w) >> 20 equals the
// high half of c times a 16-bit factor for every byte c (U and V: of (d << 1) for every
// difference d from -255 to 255): the factors below were found by trying every value.
#define TARN_PLANES_AVX512 target("avx512f,avx512bw,avx512vbmi")
TARN_AVX512_KERNELS_BEGIN

struct ChannelOrder {
  std::uint8_t index[64];  // byte 2i: channel byte of pixel i of 96 bytes; byte 2i + 1 is zeroed
};

constexpr ChannelOrder MakeChannelOrder(int channel) {
  ChannelOrder order{};
  for (int i = 0; i < 32; ++i) order.index[2 * i] = static_cast<std::uint8_t>(3 * i + channel);
  return order;
}

constexpr ChannelOrder kChannelOrders[3] = {MakeChannelOrder(0), MakeChannelOrder(1), MakeChannelOrder(2)};

// An unsigned 16-bit factor in every lane.
[[gnu::always_inline]] inline __attribute__((TARN_PLANES_AVX512)) __m512i WordFactor(std::uint16_t factor) {
  return _mm512_set1_epi16(static_cast<std::int16_t>(factor));
}

struct YuvWords {
  __m512i y, u, v;
};

[[gnu::always_inline]] inline __attribute__((TARN_PLANES_AVX512)) YuvWords ThirtyTwoPixels(const std::uint8_t* p,
                                                                                           const __m512i* orders) {
  constexpr __mmask64 kLowBytes = 0x5555555555555555;
  // Ninety-six bytes; the second load stops at them, so the last pixels of a picture are safe.
  const __m512i first = _mm512_loadu_si512(p);
  const __m512i last = _mm512_maskz_loadu_epi8(0xFFFFFFFF, p + 64);
  const __m512i blue = _mm512_maskz_permutex2var_epi8(kLowBytes, first, orders[0], last);
  const __m512i green = _mm512_maskz_permutex2var_epi8(kLowBytes, first, orders[1], last);
  const __m512i red = _mm512_maskz_permutex2var_epi8(kLowBytes, first, orders[2], last);
  const __m512i y = _mm512_add_epi16(
      _mm512_add_epi16(_mm512_mulhi_epu16(green, WordFactor(38469)), _mm512_mulhi_epu16(blue, WordFactor(7471))),
      _mm512_mulhi_epu16(red, WordFactor(19595)));
  const __m512i u = _mm512_mulhi_epi16(_mm512_slli_epi16(_mm512_sub_epi16(blue, y), 1), WordFactor(18413));
  const __m512i v = _mm512_mulhi_epi16(_mm512_slli_epi16(_mm512_sub_epi16(red, y), 1), WordFactor(23249));
  return {y, u, v};
}

__attribute__((TARN_PLANES_AVX512)) void DifferencesOfPixelsAvx512(const std::uint8_t* current,
                                                                   const std::uint8_t* reference,
                                                                   KeepDifferences& differences) {
  const __m512i orders[3] = {_mm512_loadu_si512(kChannelOrders[0].index), _mm512_loadu_si512(kChannelOrders[1].index),
                             _mm512_loadu_si512(kChannelOrders[2].index)};
  for (std::size_t i = 0; i < kReferencePixels; i += 32) {
    const YuvWords a = ThirtyTwoPixels(current + i * 3, orders), b = ThirtyTwoPixels(reference + i * 3, orders);
    const __m512i dy = _mm512_abs_epi16(_mm512_sub_epi16(a.y, b.y));
    const __m512i du = _mm512_abs_epi16(_mm512_sub_epi16(a.u, b.u));
    const __m512i dv = _mm512_abs_epi16(_mm512_sub_epi16(a.v, b.v));
    _mm512_storeu_si512(&differences.largest[i], _mm512_max_epi16(dy, _mm512_max_epi16(du, dv)));
    _mm512_storeu_si512(&differences.sum[i], _mm512_add_epi16(dy, _mm512_add_epi16(du, dv)));
  }
}
TARN_AVX512_KERNELS_END
static_assert(kReferencePixels % 32 == 0);
#endif

}  // namespace

void BuildFillCells(const std::uint8_t* bgr, FillCells& cells) {
  constexpr std::size_t kCellBytes = FillCells::kSide * 3, kRowBytes = FillCells::kSide * kRgbStride;
  int cell = 0;
#if TARN_PLANES_AVX2
  if (PrepUsesAvx2()) {
    // The last pair's wide loads would pass the picture's end: its cells take the narrow path.
    constexpr int kPairs = FillCells::kAcross * FillCells::kDown / 2 - 1;
    for (int pair = 0; pair < kPairs; ++pair, cell += 2) {
      const std::size_t row = static_cast<std::size_t>(cell / FillCells::kAcross);
      const std::size_t column = static_cast<std::size_t>(cell % FillCells::kAcross);
      TwoCellsAvx2(bgr + row * kRowBytes + column * kCellBytes, &cells.values[static_cast<std::size_t>(cell) * 4]);
    }
  }
#endif
  for (; cell < FillCells::kAcross * FillCells::kDown; ++cell) {
    const std::size_t row = static_cast<std::size_t>(cell / FillCells::kAcross);
    const std::size_t column = static_cast<std::size_t>(cell % FillCells::kAcross);
    MeasureCell(bgr + row * kRowBytes + column * kCellBytes, &cells.values[static_cast<std::size_t>(cell) * 4]);
  }
}

void BuildYuvPlane(const std::uint8_t* bgr, YuvPlane& plane) {
#if TARN_PLANES_AVX2
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  if (hasAvx2) {
    // The last group's load would pass the picture's end: its pixels take the table path.
    constexpr std::size_t kWide = kReferencePixels - 8;
    ConvertPixelsAvx2(bgr, kWide, plane);
    ConvertPixels(bgr, kWide, kReferencePixels, plane);
    return;
  }
#endif
  ConvertPixels(bgr, 0, kReferencePixels, plane);
}

void BuildKeepDifferences(const YuvPlane& current, const YuvPlane& reference, KeepDifferences& differences) {
  for (std::size_t i = 0; i < kReferencePixels; ++i)
    StoreDifferences(std::abs(current.y[i] - reference.y[i]), std::abs(current.u[i] - reference.u[i]),
                     std::abs(current.v[i] - reference.v[i]), i, differences);
}

void BuildKeepDifferences(const std::uint8_t* current, const std::uint8_t* reference, KeepDifferences& differences) {
#if TARN_PLANES_AVX2
  if (PrepUsesAvx512Vbmi()) {
    DifferencesOfPixelsAvx512(current, reference, differences);
    return;
  }
  if (PrepUsesAvx2()) {
    // The last group's loads would pass the pictures' end: its pixels take the table path.
    constexpr std::size_t kWide = kReferencePixels - 8;
    DifferencesOfPixelsAvx2(current, reference, kWide, differences);
    DifferencesOfPixels(current, reference, kWide, kReferencePixels, differences);
    return;
  }
#endif
  DifferencesOfPixels(current, reference, 0, kReferencePixels, differences);
}

}  // namespace tarn::codec
