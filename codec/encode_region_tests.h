// The per-region measurements of the analysis, one straight-line routine per region shape.
#pragma once

#include <cstdint>

#include "codec/encode_keep_test.h"
#include "codec/encode_planes.h"

namespace tarn::codec {

// Where a region lies and what it is compared with.
struct RegionPictures {
  const std::uint8_t* prepared;        // BGR, 720-byte rows
  const std::uint8_t* referenceCopy;   // BGR, 720-byte rows
  const KeepDifferences* differences;  // of the prepared picture against the reference
  const FillCells* cells;              // of the prepared picture
};

// Keep test at pixel index `pixel` (y * 240 + x) with threshold `e`.
using KeepTestFn = bool (*)(const KeepDifferences& differences, int pixel, int e);

// Channel sums (blue, green, red) of the prepared picture over a region, given its first byte.
struct ChannelSums {
  int sum[3];
  int sumOfSquares[3];
};
using ChannelSumsFn = ChannelSums (*)(const std::uint8_t* prepared);

struct ShapeOps {
  int width;
  int height;
  KeepTestFn keep;
  ChannelSumsFn channelSums;
};

// The routines for a w x h region (w and h each 1, 2, 4 or 8, as the coder uses them).
const ShapeOps& OpsForShape(int width, int height);

// Sum of the three channels' population variances: sum of squares / n - (sum / n)^2 each,
// in double precision in that order.
double VarianceSum(const ChannelSums& sums, int pixelCount);
// The fill test's comparison, limit >= VarianceSum(sums, n), given `scaled`, n^2 times the exact
// variance sum in integers: the floating-point value differs from the exact one by far less
// than 1, so away from the limit the integers decide alone; only within 1 of it is the
// floating-point sum, whose rounding counts there, worked out (from the sums `sums()` returns).
template <class SumsFn>
inline bool ScaledVarianceSumAtMost(std::int64_t scaled, int pixelCount, int limit, SumsFn sums) {
  const std::int64_t n = pixelCount;
  if (scaled > (limit + 1) * n * n) return false;
  if (scaled < (limit - 1) * n * n) return true;
  return static_cast<double>(limit) >= VarianceSum(sums(), pixelCount);
}

// The same comparison from the sums, without floating-point work where the exact value is
// clearly on one side.
inline bool VarianceSumAtMost(const ChannelSums& sums, int pixelCount, int limit) {
  const std::int64_t n = pixelCount;
  std::int64_t scaled = 0;
  for (int c = 0; c < 3; ++c) scaled += n * sums.sumOfSquares[c] - std::int64_t{sums.sum[c]} * sums.sum[c];
  return ScaledVarianceSumAtMost(scaled, pixelCount, limit, [&] { return sums; });
}

}  // namespace tarn::codec
