// The per-region measurements of the analysis, one straight-line routine per region shape.
#pragma once

#include <cstdint>

#include "codec/encode_planes.h"

namespace tarn::codec {

// Where a region lies and what it is compared with.
struct RegionPictures {
  const std::uint8_t* prepared;       // BGR, 720-byte rows
  const std::uint8_t* referenceCopy;  // BGR, 720-byte rows
  const YuvPlane* current;
  const YuvPlane* reference;
};

// Sum of |dB| + |dG| + |dR| between the region at `current` and the one at `displaced`
// (both BGR with 720-byte rows).
using RegionCostFn = int (*)(const std::uint8_t* current, const std::uint8_t* displaced);

// Keep test at pixel index `pixel` (y * 240 + x) with threshold `e`.
using KeepTestFn = bool (*)(const YuvPlane& current, const YuvPlane& reference, int pixel, int e);

// Channel sums of the prepared picture over the region at byte offset `offset`.
struct ChannelSums {
  int sum[3];
  int sumOfSquares[3];
};
using ChannelSumsFn = ChannelSums (*)(const std::uint8_t* prepared);

struct ShapeOps {
  int width;
  int height;
  RegionCostFn cost;           // may read past the region's last byte, up to costReach
  RegionCostFn costWithinRegion;  // reads the region's bytes only
  int costReach;               // bytes from the region's first byte that `cost` reads
  KeepTestFn keep;
  ChannelSumsFn channelSums;
};

// The routines for a w x h region (w and h each 1, 2, 4 or 8, as the coder uses them).
const ShapeOps& OpsForShape(int width, int height);

// Sum of the three channels' population variances: sum of squares / n - (sum / n)^2 each.
double VarianceSum(const ChannelSums& sums, int pixelCount);

}  // namespace tarn::codec
