// Scaling, placement, tone and saturation of the (halved) picture on the handheld screen.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"
#include "codec/prep_fit_avx2.h"
#include "codec/prep_geometry.h"
#include "codec/prep_sharpen.h"
#include "codec/prep_simd.h"

namespace tarn::codec {
namespace {

// Weights that are whole multiples of 1/8 (the common ratios 1.5 and 2 among them) make
// every step of the double formula exact, so integer arithmetic in 1/8 units gives the same
// bits; its largest sum, 255 x 8 x 8, fits 16-bit lanes.
constexpr double kFixedOne = 8.0;
constexpr int kFixedOneInt = 8;
constexpr int kFixedShift = 3;

bool IsFixedPoint(double weight) {
  const double scaled = weight * kFixedOne;
  return scaled == std::floor(scaled);
}

// One output row's worth of values per channel (blue, green, red), so that the arithmetic
// runs over whole rows at once.
template <typename T>
struct Planes {
  T channel[3][kScreenWidth];
};

// Where the output columns sample.
struct ColumnPlan {
  std::int32_t first[kScreenWidth];   // first column, from the start of a sampled row
  std::int32_t second[kScreenWidth];  // second column
  double keep[kScreenWidth];          // 1 - g
  double weight[kScreenWidth];        // g
  std::uint16_t keepFixed[kScreenWidth];
  std::uint16_t weightFixed[kScreenWidth];
  // For the whole-pixel rows, padded to a multiple of eight pixels: byte offsets of the
  // first and second columns and, for weights in eighths, the eight weight bytes (1 - g, g
  // for each channel, then 0, 0).
  std::int32_t firstBytes[kScreenWidth];
  std::int32_t secondBytes[kScreenWidth];
  std::uint8_t pairWeights[kScreenWidth * 8];
  // The same for sixteen pixels at a time, when every chunk's pairs lie within 128 bytes.
  WideSampleChunk wide[kScreenWidth / 16];
  int wideChunks = 0;
  std::int64_t lowestColumn = 0;
  std::int64_t highestColumn = 0;
  std::int64_t highestFirst = 0;
  int pixels = 0;
  int paddedPixels = 0;
  bool fixedPoint = true;
};

// Where one output row samples, as pixel indices of the sampled rows' starts.
struct RowSample {
  std::int64_t first = 0;
  std::int64_t second = 0;
  double f = 0.0;     // weight of the second row
  double keep = 1.0;  // 1 - f
  bool fixedPoint = true;
};

struct Source {
  const std::uint8_t* pixels;
  std::int64_t pixelCount;  // width x height
};

// Sixteen pixels' pairs as byte permutes of the 128 bytes from the chunk's first pair on; no
// chunks when some chunk's pairs are spread wider.
void PlanWideChunks(ColumnPlan& plan) {
  static_assert(kScreenWidth % 16 == 0);
  // Bytes 0, 3, 1, 4, 2, 5, 0, 0 from the first byte on: the B, G, R pairs, then two unused.
  constexpr std::uint64_t kPairOrder = 0x0000050204010300;
  const int chunks = (plan.pixels + 15) / 16;
  for (int c = 0; c < chunks; ++c) {
    WideSampleChunk& chunk = plan.wide[c];
    chunk.base = plan.firstBytes[16 * c];
    chunk.bytes = plan.firstBytes[16 * c + 15] + 6 - chunk.base;  // the last pair's end
    if (chunk.bytes > 128) return;
    for (int slot = 0; slot < 16; ++slot) {
      const int part = slot / 8, inPart = slot % 8;
      const int x = 16 * c + inPart / 2 * 4 + part * 2 + inPart % 2;
      // The offset is below 123, so adding it to every byte carries into none of the next.
      const std::uint64_t offset = static_cast<std::uint64_t>(plan.firstBytes[x] - chunk.base);
      const std::uint64_t index = kPairOrder + offset * 0x0101010101010101;
      std::memcpy(chunk.index[part] + 8 * inPart, &index, 8);
      std::memcpy(chunk.weights[part] + 8 * inPart, plan.pairWeights + 8 * x, 8);
    }
  }
  plan.wideChunks = chunks;
}

// A second column equal to the first (the row's last pixel) takes all eight eighths itself.
void PlanPixelPairs(ColumnPlan& plan) {
  plan.highestFirst = 0;
  plan.paddedPixels = (plan.pixels + 7) / 8 * 8;
  plan.wideChunks = 0;
  const bool wide = plan.fixedPoint && PrepUsesAvx512Vbmi();
  // The wide chunks pad to sixteen pixels.
  const int padded = wide ? (plan.pixels + 15) / 16 * 16 : plan.paddedPixels;
  for (int x = 0; x < padded; ++x) {
    const int from = std::min(x, plan.pixels - 1);  // padding repeats the last pixel
    plan.firstBytes[x] = plan.first[from] * 3;
    plan.secondBytes[x] = plan.second[from] * 3;
    plan.highestFirst = std::max<std::int64_t>(plan.highestFirst, plan.first[from]);
    if (!plan.fixedPoint) continue;
    const bool pairs = plan.second[from] != plan.first[from];
    const auto keep = static_cast<std::uint8_t>(pairs ? plan.keepFixed[from] : kFixedOneInt);
    const auto weight = static_cast<std::uint8_t>(pairs ? plan.weightFixed[from] : 0);
    const std::uint8_t bytes[8] = {keep, weight, keep, weight, keep, weight, 0, 0};
    std::memcpy(plan.pairWeights + 8 * x, bytes, 8);
  }
  if (wide) PlanWideChunks(plan);
}

void PlanColumns(const FitGeometry& geometry, int width, ColumnPlan& plan) {
  plan.pixels = geometry.placedWidth;
  plan.fixedPoint = true;
  for (int x = 0; x < geometry.placedWidth; ++x) {
    const double fx = x * geometry.rx;
    const auto k = static_cast<std::int64_t>(std::trunc(fx));
    // The row's last pixel pairs with itself.
    const std::int64_t second = k + 1 == width ? k : k + 1;
    const double g = fx - static_cast<double>(k);
    plan.fixedPoint = plan.fixedPoint && IsFixedPoint(g);
    if (x == 0) plan.lowestColumn = plan.highestColumn = k;
    plan.lowestColumn = std::min(plan.lowestColumn, k);
    plan.highestColumn = std::max(plan.highestColumn, second);
    plan.first[x] = static_cast<std::int32_t>(k);
    plan.second[x] = static_cast<std::int32_t>(second);
    plan.weight[x] = g;
    plan.keep[x] = 1 - g;
    plan.weightFixed[x] = static_cast<std::uint16_t>(g * kFixedOne);
    plan.keepFixed[x] = static_cast<std::uint16_t>(kFixedOne - g * kFixedOne);
  }
  if (plan.pixels > 0) PlanPixelPairs(plan);
}

void PlanRows(const FitGeometry& geometry, int width, int height, RowSample* rows) {
  const std::int64_t origin = geometry.startOffset / 3;
  for (int y = 0; y < geometry.placedHeight; ++y) {
    const double fy = y * geometry.ry;
    auto r = static_cast<std::int64_t>(std::trunc(fy));
    double f = 0.0;
    std::int64_t r2 = 0;
    if (geometry.evenRows) {
      // Interlaced material: one field only.
      if (r % 2 != 0) --r;
      f = (fy - static_cast<double>(r)) * 0.5;
      r2 = r + 2 < height ? r + 2 : r;
    } else {
      f = fy - static_cast<double>(r);
      r2 = r + 1 < height ? r + 1 : r;
    }
    RowSample& row = rows[y];
    row.first = origin + r * width;
    row.second = origin + r2 * width;
    row.f = f;
    row.keep = 1 - f;
    row.fixedPoint = IsFixedPoint(f);
  }
}

bool RowInside(const RowSample& row, const ColumnPlan& plan, std::int64_t pixelCount) {
  const std::int64_t lowest = std::min(row.first, row.second) + plan.lowestColumn;
  const std::int64_t highest = std::max(row.first, row.second) + plan.highestColumn;
  return lowest >= 0 && highest < pixelCount;
}

// The pixels at `columns` of the sampled row starting at pixel `rowStart`. A pixel
// outside the picture reads as black; rows proven inside skip the check.
void Gather(const Source& source, std::int64_t rowStart, const std::int32_t* columns, int pixels, bool checked,
            Planes<std::uint16_t>& out) {
  for (int x = 0; x < pixels; ++x) {
    const std::int64_t pixel = rowStart + columns[x];
    if (checked && (pixel < 0 || pixel >= source.pixelCount)) {
      out.channel[0][x] = out.channel[1][x] = out.channel[2][x] = 0;
      continue;
    }
    const std::uint8_t* in = source.pixels + pixel * 3;
    out.channel[0][x] = in[0];
    out.channel[1][x] = in[1];
    out.channel[2][x] = in[2];
  }
}

#if defined(__SSE2__)
inline __m128i Load8Lanes(const std::uint16_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// wa * a + wb * b in 16-bit lanes, modulo 2^16 like the scalar casts.
inline __m128i Blend(__m128i wa, __m128i a, __m128i wb, __m128i b) {
  return _mm_add_epi16(_mm_mullo_epi16(wa, a), _mm_mullo_epi16(wb, b));
}
#endif

// Each channel: trunc(((1-g)*p(k,r) + g*p(k+1,r))*(1-f) + ((1-g)*p(k,r2) + g*p(k+1,r2))*f).
// With g = 0 or f = 0 the unused terms are exact zeros and the kept ones exact copies, so
// this one expression gives the bits of every special case of the sampling rule.
void SampleRow(const Source& source, const RowSample& row, const ColumnPlan& plan, Planes<std::uint16_t>& sampled) {
  Planes<std::uint16_t> a, b, c, d;  // first/second column of the first row, then the second row
  const int n = plan.pixels;
  const bool checked = !RowInside(row, plan, source.pixelCount);
  const bool twoRows = row.f != 0;
  Gather(source, row.first, plan.first, n, checked, a);
  Gather(source, row.first, plan.second, n, checked, b);
  if (twoRows) {
    Gather(source, row.second, plan.first, n, checked, c);
    Gather(source, row.second, plan.second, n, checked, d);
  }
  const bool fixedPoint = plan.fixedPoint && row.fixedPoint;
  const auto rowWeight = static_cast<std::uint16_t>(row.f * kFixedOne);
  const auto rowKeep = static_cast<std::uint16_t>(kFixedOneInt - rowWeight);
  for (int ch = 0; ch < 3; ++ch) {
    const std::uint16_t* pa = a.channel[ch];
    const std::uint16_t* pb = b.channel[ch];
    const std::uint16_t* pc = c.channel[ch];
    const std::uint16_t* pd = d.channel[ch];
    std::uint16_t* out = sampled.channel[ch];
    // The 16-bit casts of the fixed-point sums lose nothing (they stay below 2^14) and let
    // the compiler keep eight lanes per register.
    if (fixedPoint && twoRows) {
      int x = 0;
#if defined(__SSE2__)
      // The same 16-bit products and sums, wrapping alike, eight lanes at a time.
      const __m128i near0 = _mm_set1_epi16(static_cast<std::int16_t>(rowKeep));
      const __m128i far0 = _mm_set1_epi16(static_cast<std::int16_t>(rowWeight));
      for (; x + 8 <= n; x += 8) {
        const __m128i keep = Load8Lanes(plan.keepFixed + x), weight = Load8Lanes(plan.weightFixed + x);
        const __m128i near = Blend(keep, Load8Lanes(pa + x), weight, Load8Lanes(pb + x));
        const __m128i far = Blend(keep, Load8Lanes(pc + x), weight, Load8Lanes(pd + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_srli_epi16(Blend(near0, near, far0, far), 2 * kFixedShift));
      }
#endif
      for (; x < n; ++x) {
        const auto near = static_cast<std::uint16_t>(plan.keepFixed[x] * pa[x] + plan.weightFixed[x] * pb[x]);
        const auto far = static_cast<std::uint16_t>(plan.keepFixed[x] * pc[x] + plan.weightFixed[x] * pd[x]);
        const auto sum = static_cast<std::uint16_t>(near * rowKeep + far * rowWeight);
        out[x] = static_cast<std::uint16_t>(sum >> (2 * kFixedShift));
      }
    } else if (fixedPoint) {
      int x = 0;
#if defined(__SSE2__)
      for (; x + 8 <= n; x += 8) {
        const __m128i near = Blend(Load8Lanes(plan.keepFixed + x), Load8Lanes(pa + x), Load8Lanes(plan.weightFixed + x),
                                   Load8Lanes(pb + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_srli_epi16(near, kFixedShift));
      }
#endif
      for (; x < n; ++x) {
        const auto near = static_cast<std::uint16_t>(plan.keepFixed[x] * pa[x] + plan.weightFixed[x] * pb[x]);
        out[x] = static_cast<std::uint16_t>(near >> kFixedShift);
      }
    } else if (twoRows) {
      for (int x = 0; x < n; ++x) {
        const double near = plan.keep[x] * pa[x] + plan.weight[x] * pb[x];
        const double far = plan.keep[x] * pc[x] + plan.weight[x] * pd[x];
        out[x] = static_cast<std::uint16_t>(near * row.keep + far * row.f);
      }
    } else {
      for (int x = 0; x < n; ++x) {
        out[x] = static_cast<std::uint16_t>(plan.keep[x] * pa[x] + plan.weight[x] * pb[x]);
      }
    }
  }
}

inline std::uint8_t Saturate(int value, int a, int b, int shift) {
  const int result = value + ((2 * value - a - b) >> shift);
  return static_cast<std::uint8_t>(result < 0 ? 0 : (result > 255 ? 255 : result));
}

#if defined(__SSE2__)
// Eight pixels of the saturation step in 16-bit lanes: 2v - a - b and the result stay within
// -510..765, an arithmetic shift by 16 or more fills with the sign like the 32-bit one, and
// unsigned packing clamps to 0-255.
inline void SaturateEight(const std::int16_t* blue, const std::int16_t* green, const std::int16_t* red, __m128i shift,
                          std::uint8_t* out) {
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue));
  const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green));
  const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red));
  const auto step = [&](__m128i v, __m128i other1, __m128i other2) {
    const __m128i spread = _mm_sub_epi16(_mm_sub_epi16(_mm_add_epi16(v, v), other1), other2);
    return _mm_add_epi16(v, _mm_sra_epi16(spread, shift));
  };
  const __m128i blueGreen = _mm_packus_epi16(step(b, g, r), step(g, b, r));
  const __m128i redBytes = _mm_packus_epi16(step(r, b, g), _mm_setzero_si128());
  simd::StoreEightPixels(blueGreen, redBytes, out);
}
#endif

// Tone, then the saturation step from the toned values of all three channels.
void FinishRow(const Planes<std::uint16_t>& sampled, int pixels, const PictureTables& tables, int shift,
               std::uint8_t* out) {
  Planes<std::int16_t> toned;
  for (int ch = 0; ch < 3; ++ch) {
    for (int x = 0; x < pixels; ++x) {
      toned.channel[ch][x] = tables.tone[static_cast<std::uint8_t>(sampled.channel[ch][x])];
    }
  }
  const std::int16_t* blue = toned.channel[0];
  const std::int16_t* green = toned.channel[1];
  const std::int16_t* red = toned.channel[2];
  int x = 0;
#if defined(__SSE2__)
  // Stop while a pixel follows, so that the two stray bytes land on it before it is written.
  const __m128i count = _mm_cvtsi32_si128(shift);
  for (; x + 8 < pixels; x += 8) SaturateEight(blue + x, green + x, red + x, count, out + x * 3);
#endif
  for (; x < pixels; ++x) {
    std::uint8_t* pixel = out + x * 3;
    pixel[0] = Saturate(blue[x], green[x], red[x], shift);
    pixel[1] = Saturate(green[x], blue[x], red[x], shift);
    pixel[2] = Saturate(red[x], blue[x], green[x], shift);
  }
}

#if defined(__x86_64__) || defined(__i386__)
#define TARN_FIT_AVX2 1
// Whether the whole-pixel row code may run: every load of both sampled rows inside the
// source, so that no sample reads as black either. With weights in eighths the sixteen-pixel
// chunks read exactly their pairs' six bytes (the picture's last row among them), the
// eight-pixel code eight bytes from each first column; other weights four bytes from each column.
bool WholePixelRow(const Source& source, const RowSample& row, const ColumnPlan& plan) {
  const bool fixedPoint = plan.fixedPoint && row.fixedPoint;
  const std::int64_t pairBytes = plan.wideChunks > 0 ? 6 : 8;
  const auto loadsInside = [&](std::int64_t rowStart) {
    const std::int64_t end =
        fixedPoint ? (rowStart + plan.highestFirst) * 3 + pairBytes : (rowStart + plan.highestColumn) * 3 + 4;
    return rowStart + plan.lowestColumn >= 0 && end <= source.pixelCount * 3;
  };
  return loadsInside(row.first) && (row.f == 0 || loadsInside(row.second));
}

// The tone table in the forms the vector tone steps read.
struct ToneLookup {
  const std::uint8_t* bytes;
  std::int32_t words[256];
  bool permutes;  // AVX-512 VBMI: the bytes themselves
};

void PrepareToneLookup(const std::uint8_t* tone, ToneLookup& lookup) {
  lookup.bytes = tone;
  lookup.permutes = PrepUsesAvx512Vbmi();
  if (!lookup.permutes) std::copy(tone, tone + 256, lookup.words);
}

void DrawWholePixelRow(const Source& source, const RowSample& row, const ColumnPlan& plan, const ToneLookup& tone,
                       int shift, std::uint8_t* out) {
  std::uint32_t words[kScreenWidth];
  const std::uint8_t* first = source.pixels + row.first * 3;
  const std::uint8_t* second = row.f != 0 ? source.pixels + row.second * 3 : nullptr;
  if (plan.fixedPoint && row.fixedPoint) {
    const auto rowWeight = static_cast<int>(row.f * kFixedOne);
    if (plan.wideChunks > 0) {
      SampleFixedRowAvx512(first, second, plan.wide, plan.wideChunks, kFixedOneInt - rowWeight, rowWeight, words);
    } else {
      SampleFixedRowAvx2(first, second, plan.firstBytes, plan.pairWeights, plan.paddedPixels, kFixedOneInt - rowWeight,
                         rowWeight, words);
    }
  } else {
    SampleRealRowAvx2(first, second, plan.firstBytes, plan.secondBytes, plan.keep, plan.weight, plan.pixels, row.keep,
                      row.f, words);
  }
  if (tone.permutes) {
    ToneAndSaturateAvx512(words, plan.pixels, shift, tone.bytes, out);
  } else {
    ToneWordsAvx2(words, plan.pixels, tone.words);
    SaturateWordsAvx2(words, plan.pixels, shift, out);
  }
}
#endif

void DrawPlacedPicture(const Source& source, int width, int height, const FitGeometry& geometry,
                       const PictureTables& tables, int shift, std::uint8_t* canvas) {
  ColumnPlan columns;
  RowSample rows[kScreenHeight];
  PlanColumns(geometry, width, columns);
  PlanRows(geometry, width, height, rows);
  [[maybe_unused]] const bool avx2 = PrepUsesAvx2();
#if TARN_FIT_AVX2
  ToneLookup tone;
  if (avx2) PrepareToneLookup(tables.tone, tone);
#endif
  Planes<std::uint16_t> sampled;
  for (int y = 0; y < geometry.placedHeight; ++y) {
    // Output row 0 is the bottom row of the placed picture.
    const int screenRow = geometry.top + geometry.placedHeight - 1 - y;
    std::uint8_t* out =
        canvas + static_cast<std::size_t>(screenRow) * kRgbStride + static_cast<std::size_t>(geometry.left) * 3;
#if TARN_FIT_AVX2
    if (avx2 && WholePixelRow(source, rows[y], columns)) {
      DrawWholePixelRow(source, rows[y], columns, tone, shift, out);
      continue;
    }
#endif
    SampleRow(source, rows[y], columns, sampled);
    FinishRow(sampled, geometry.placedWidth, tables, shift, out);
  }
}

// Black outside the placed picture; the placed picture itself is written whole.
void ClearAroundPlacedPicture(const FitGeometry& geometry, std::uint8_t* canvas) {
  const std::size_t top = static_cast<std::size_t>(geometry.top) * kRgbStride;
  const int endRow = geometry.top + geometry.placedHeight;
  std::memset(canvas, 0, top);
  std::memset(canvas + static_cast<std::size_t>(endRow) * kRgbStride, 0,
              static_cast<std::size_t>(kScreenHeight - endRow) * kRgbStride);
  const auto left = static_cast<std::size_t>(geometry.left) * 3;
  const std::size_t placed = static_cast<std::size_t>(geometry.placedWidth) * 3;
  if (placed == kRgbStride) return;  // no bands beside the picture
  for (int row = geometry.top; row < endRow; ++row) {
    std::uint8_t* line = canvas + static_cast<std::size_t>(row) * kRgbStride;
    std::memset(line, 0, left);
    std::memset(line + left + placed, 0, kRgbStride - left - placed);
  }
}

}  // namespace

void FitPicture(const std::uint8_t* picture, int width, int height, const FitSettings& settings,
                const PictureTables& tables, std::uint8_t* work, std::uint8_t* prepared) {
  const FitGeometry geometry = ComputeFitGeometry(width, height, settings);
  std::uint8_t* canvas = tables.sharpen ? work : prepared;
  ClearAroundPlacedPicture(geometry, canvas);
  if (geometry.placedWidth > 0 && geometry.placedHeight > 0) {
    const Source source{picture, static_cast<std::int64_t>(width) * height};
    const int shift = std::clamp(settings.saturationShift, 0, 31);
    DrawPlacedPicture(source, width, height, geometry, tables, shift, canvas);
  }
  if (tables.sharpen) SharpenPlacedPicture(work, geometry, tables.detail, prepared);
}

}  // namespace tarn::codec
