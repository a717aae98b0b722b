// Scaling, placement, tone and saturation of the (halved) picture on the handheld screen.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "codec/picture_prep.h"
#include "codec/prep_geometry.h"
#include "codec/prep_sharpen.h"

namespace tarn::codec {
namespace {

constexpr int kLineValues = kScreenWidth * 3;  // one output row, three channels per pixel
// Weights that are whole multiples of 1/256 make every step of the double formula exact,
// so integer arithmetic in 1/256 units gives the same bits.
constexpr double kFixedOne = 256.0;

bool IsFixedPoint(double weight) {
  const double scaled = weight * kFixedOne;
  return scaled == std::floor(scaled);
}

// Where the output columns sample, flat over (column, channel) so that the arithmetic runs
// over whole rows at once.
struct ColumnPlan {
  std::int32_t first[kScreenWidth];   // byte offset of the first column in a sampled row
  std::int32_t second[kScreenWidth];  // and of the second column
  double keep[kLineValues];          // 1 - g
  double weight[kLineValues];        // g
  std::int32_t keepFixed[kLineValues];
  std::int32_t weightFixed[kLineValues];
  std::int64_t lowestColumn = 0;
  std::int64_t highestColumn = 0;
  int values = 0;
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

void PlanColumns(const FitGeometry& geometry, int width, ColumnPlan& plan) {
  plan.values = geometry.placedWidth * 3;
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
    plan.first[x] = static_cast<std::int32_t>(k * 3);
    plan.second[x] = static_cast<std::int32_t>(second * 3);
    for (int c = 0; c < 3; ++c) {
      const int i = x * 3 + c;
      plan.weight[i] = g;
      plan.keep[i] = 1 - g;
      plan.weightFixed[i] = static_cast<std::int32_t>(g * kFixedOne);
      plan.keepFixed[i] = static_cast<std::int32_t>(kFixedOne - g * kFixedOne);
    }
  }
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

// The pixels at byte `offsets` of the sampled row starting at pixel `rowStart`. A pixel
// outside the picture reads as black; rows proven inside skip the check.
void Gather(const Source& source, std::int64_t rowStart, const std::int32_t* offsets,
            int pixels, bool checked, std::int32_t* out) {
  const std::uint8_t* row = source.pixels + rowStart * 3;
  for (int x = 0; x < pixels; ++x, out += 3) {
    if (checked) {
      const std::int64_t pixel = rowStart + offsets[x] / 3;
      if (pixel < 0 || pixel >= source.pixelCount) {
        out[0] = out[1] = out[2] = 0;
        continue;
      }
    }
    const std::uint8_t* in = row + offsets[x];
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
  }
}

// Each channel: trunc(((1-g)*p(k,r) + g*p(k+1,r))*(1-f) + ((1-g)*p(k,r2) + g*p(k+1,r2))*f).
// With g = 0 or f = 0 the unused terms are exact zeros and the kept ones exact copies, so
// this one expression gives the bits of every special case of the sampling rule.
void SampleRow(const Source& source, const RowSample& row, const ColumnPlan& plan,
               std::int32_t* sampled) {
  std::int32_t a[kLineValues], b[kLineValues], c[kLineValues], d[kLineValues];
  const int n = plan.values;
  const int pixels = n / 3;
  const bool checked = !RowInside(row, plan, source.pixelCount);
  const bool twoRows = row.f != 0;
  Gather(source, row.first, plan.first, pixels, checked, a);
  Gather(source, row.first, plan.second, pixels, checked, b);
  if (twoRows) {
    Gather(source, row.second, plan.first, pixels, checked, c);
    Gather(source, row.second, plan.second, pixels, checked, d);
  }
  if (plan.fixedPoint && row.fixedPoint) {
    if (twoRows) {
      const auto rowWeight = static_cast<std::int32_t>(row.f * kFixedOne);
      const std::int32_t rowKeep = 256 - rowWeight;
      for (int i = 0; i < n; ++i) {
        const std::int32_t near = plan.keepFixed[i] * a[i] + plan.weightFixed[i] * b[i];
        const std::int32_t far = plan.keepFixed[i] * c[i] + plan.weightFixed[i] * d[i];
        sampled[i] = (near * rowKeep + far * rowWeight) >> 16;
      }
    } else {
      for (int i = 0; i < n; ++i) {
        sampled[i] = (plan.keepFixed[i] * a[i] + plan.weightFixed[i] * b[i]) >> 8;
      }
    }
    return;
  }
  if (twoRows) {
    for (int i = 0; i < n; ++i) {
      const double near = plan.keep[i] * a[i] + plan.weight[i] * b[i];
      const double far = plan.keep[i] * c[i] + plan.weight[i] * d[i];
      sampled[i] = static_cast<std::int32_t>(near * row.keep + far * row.f);
    }
  } else {
    for (int i = 0; i < n; ++i) {
      sampled[i] = static_cast<std::int32_t>(plan.keep[i] * a[i] + plan.weight[i] * b[i]);
    }
  }
}

inline std::uint8_t Saturate(int value, int a, int b, int shift) {
  const int result = value + ((2 * value - a - b) >> shift);
  return static_cast<std::uint8_t>(result < 0 ? 0 : (result > 255 ? 255 : result));
}

// Tone, then the saturation step from the toned values of all three channels.
void FinishRow(const std::int32_t* sampled, int pixels, const PictureTables& tables, int shift,
               std::uint8_t* out) {
  for (int x = 0; x < pixels; ++x, sampled += 3, out += 3) {
    const int blue = tables.tone[sampled[0]];
    const int green = tables.tone[sampled[1]];
    const int red = tables.tone[sampled[2]];
    out[0] = Saturate(blue, green, red, shift);
    out[1] = Saturate(green, blue, red, shift);
    out[2] = Saturate(red, blue, green, shift);
  }
}

void DrawPlacedPicture(const Source& source, int width, int height, const FitGeometry& geometry,
                       const PictureTables& tables, int shift, std::uint8_t* canvas) {
  ColumnPlan columns;
  RowSample rows[kScreenHeight];
  PlanColumns(geometry, width, columns);
  PlanRows(geometry, width, height, rows);
  std::int32_t sampled[kLineValues];
  for (int y = 0; y < geometry.placedHeight; ++y) {
    SampleRow(source, rows[y], columns, sampled);
    // Output row 0 is the bottom row of the placed picture.
    const int screenRow = geometry.top + geometry.placedHeight - 1 - y;
    std::uint8_t* out = canvas + static_cast<std::size_t>(screenRow) * kRgbStride +
                        static_cast<std::size_t>(geometry.left) * 3;
    FinishRow(sampled, geometry.placedWidth, tables, shift, out);
  }
}

}  // namespace

void FitPicture(const std::uint8_t* picture, int width, int height, const FitSettings& settings,
                const PictureTables& tables, std::uint8_t* work, std::uint8_t* prepared) {
  const FitGeometry geometry = ComputeFitGeometry(width, height, settings);
  std::uint8_t* canvas = tables.sharpen ? work : prepared;
  std::memset(canvas, 0, kRgbPictureBytes);
  if (geometry.placedWidth > 0 && geometry.placedHeight > 0) {
    const Source source{picture, static_cast<std::int64_t>(width) * height};
    const int shift = std::clamp(settings.saturationShift, 0, 31);
    DrawPlacedPicture(source, width, height, geometry, tables, shift, canvas);
  }
  if (tables.sharpen) SharpenPlacedPicture(work, geometry, tables.detail, prepared);
}

}  // namespace tarn::codec
