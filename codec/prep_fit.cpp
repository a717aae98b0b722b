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

// Where one output column samples, as pixel offsets from the start of a sampled row.
struct ColumnSample {
  std::int64_t first = 0;
  std::int64_t second = 0;
  double g = 0.0;          // weight of the second column
  double keep = 1.0;       // 1 - g
};

// Where one output row samples, as pixel indices of the sampled rows' starts.
struct RowSample {
  std::int64_t first = 0;
  std::int64_t second = 0;
  double f = 0.0;          // weight of the second row
  double keep = 1.0;       // 1 - f
};

struct Source {
  const std::uint8_t* pixels;
  std::int64_t pixelCount;  // width x height
};

void PlanColumns(const FitGeometry& geometry, int width, ColumnSample* columns) {
  for (int x = 0; x < geometry.placedWidth; ++x) {
    const double fx = x * geometry.rx;
    const auto k = static_cast<std::int64_t>(std::trunc(fx));
    ColumnSample& column = columns[x];
    column.first = k;
    // The row's last pixel pairs with itself.
    column.second = k + 1 == width ? k : k + 1;
    column.g = fx - static_cast<double>(k);
    column.keep = 1 - column.g;
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
  }
}

// One source pixel as three doubles; a pixel outside the picture is black. Unchecked reads
// are used only for rows whose every sample was proven inside.
template <bool kChecked>
inline void Fetch(const Source& source, std::int64_t index, double* bgr) {
  if (kChecked && (index < 0 || index >= source.pixelCount)) {
    bgr[0] = bgr[1] = bgr[2] = 0.0;
    return;
  }
  const std::uint8_t* pixel = source.pixels + index * 3;
  bgr[0] = pixel[0];
  bgr[1] = pixel[1];
  bgr[2] = pixel[2];
}

inline std::uint8_t Saturate(int value, int a, int b, int shift) {
  const int result = value + ((2 * value - a - b) >> shift);
  return static_cast<std::uint8_t>(result < 0 ? 0 : (result > 255 ? 255 : result));
}

// Tone, then the saturation step from the toned values of all three channels.
inline void Finish(const int* sampled, const PictureTables& tables, int shift, std::uint8_t* out) {
  const int blue = tables.tone[sampled[0]];
  const int green = tables.tone[sampled[1]];
  const int red = tables.tone[sampled[2]];
  out[0] = Saturate(blue, green, red, shift);
  out[1] = Saturate(green, blue, red, shift);
  out[2] = Saturate(red, blue, green, shift);
}

template <bool kChecked>
void DrawRow(const Source& source, const RowSample& row, const ColumnSample* columns, int count,
             const PictureTables& tables, int shift, std::uint8_t* out) {
  double p00[3], p10[3], p01[3], p11[3];  // (first/second column, first/second row)
  int sampled[3];
  const bool rowExact = row.f == 0;
  for (int x = 0; x < count; ++x, out += 3) {
    const ColumnSample& column = columns[x];
    const bool columnExact = column.g == 0;
    Fetch<kChecked>(source, row.first + column.first, p00);
    if (rowExact && columnExact) {
      for (int c = 0; c < 3; ++c) sampled[c] = static_cast<int>(p00[c]);
    } else if (rowExact) {
      Fetch<kChecked>(source, row.first + column.second, p10);
      for (int c = 0; c < 3; ++c) {
        sampled[c] = static_cast<int>(p00[c] * column.keep + p10[c] * column.g);
      }
    } else if (columnExact) {
      Fetch<kChecked>(source, row.second + column.first, p01);
      for (int c = 0; c < 3; ++c) sampled[c] = static_cast<int>(p00[c] * row.keep + p01[c] * row.f);
    } else {
      Fetch<kChecked>(source, row.first + column.second, p10);
      Fetch<kChecked>(source, row.second + column.first, p01);
      Fetch<kChecked>(source, row.second + column.second, p11);
      for (int c = 0; c < 3; ++c) {
        const double near = column.keep * p00[c] + column.g * p10[c];
        const double far = column.keep * p01[c] + column.g * p11[c];
        sampled[c] = static_cast<int>(near * row.keep + far * row.f);
      }
    }
    Finish(sampled, tables, shift, out);
  }
}

bool RowInside(const RowSample& row, std::int64_t lowestColumn, std::int64_t highestColumn,
               std::int64_t pixelCount) {
  const std::int64_t lowest = std::min(row.first, row.second) + lowestColumn;
  const std::int64_t highest = std::max(row.first, row.second) + highestColumn;
  return lowest >= 0 && highest < pixelCount;
}

void DrawPlacedPicture(const Source& source, int width, int height, const FitGeometry& geometry,
                       const PictureTables& tables, int shift, std::uint8_t* canvas) {
  ColumnSample columns[kScreenWidth];
  RowSample rows[kScreenHeight];
  const int count = geometry.placedWidth;
  PlanColumns(geometry, width, columns);
  PlanRows(geometry, width, height, rows);
  std::int64_t lowestColumn = columns[0].first;
  std::int64_t highestColumn = columns[0].first;
  for (int x = 0; x < count; ++x) {
    lowestColumn = std::min(lowestColumn, columns[x].first);
    highestColumn = std::max({highestColumn, columns[x].first, columns[x].second});
  }
  for (int y = 0; y < geometry.placedHeight; ++y) {
    // Output row 0 is the bottom row of the placed picture.
    const int screenRow = geometry.top + geometry.placedHeight - 1 - y;
    std::uint8_t* out = canvas + static_cast<std::size_t>(screenRow) * kRgbStride +
                        static_cast<std::size_t>(geometry.left) * 3;
    if (RowInside(rows[y], lowestColumn, highestColumn, source.pixelCount)) {
      DrawRow<false>(source, rows[y], columns, count, tables, shift, out);
    } else {
      DrawRow<true>(source, rows[y], columns, count, tables, shift, out);
    }
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
