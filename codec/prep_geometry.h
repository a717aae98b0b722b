// Where the scaled picture lands on the handheld screen and how the source is sampled for it.
#pragma once

#include <cstdint>

#include "codec/picture_prep.h"

namespace tarn::codec {

struct FitGeometry {
  double rx = 0.0;               // source pixels per output column
  double ry = 0.0;               // source rows per output row
  int placedWidth = 0;           // Wo, at most 240
  int placedHeight = 0;          // Ho, at most 160
  int left = 0;                  // first screen column of the placed picture
  int top = 0;                   // first screen row (top row first) of the placed picture
  std::int64_t startOffset = 0;  // bytes from the start of the bottom-up source
  bool evenRows = false;         // interlaced sources: sample even rows only
};

// Target size as the filter hands it over: W in 8..360, H in 8..240.
int TargetWidth(const FitSettings& settings);
int TargetHeight(const FitSettings& settings);

// Whether a `width` x `height` picture is more than twice the target size: halving goes on.
bool NeedsHalving(int width, int height, const FitSettings& settings);

// The fitting rules for a `width` x `height` source (after halving). An empty source
// places nothing (placedWidth = placedHeight = 0).
FitGeometry ComputeFitGeometry(int width, int height, const FitSettings& settings);

}  // namespace tarn::codec
