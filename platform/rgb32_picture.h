// The renderer's connected video (RGB24 bottom-up or YUY2) as the top-down 32-bit picture that a
// picture sink paints without further conversion.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/dshow/MediaType.h"

namespace tarn::platform {

struct Rgb32Layout {
  LONG width = 0;
  LONG height = 0;
  bool yuy2 = false;      // else RGB24
  bool bottomUp = false;  // RGB24 with a positive height
  std::size_t sourceBytes = 0;
  std::size_t Bytes() const { return static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height); }
};

// The layout of a video type the renderer accepted; width 0 when it has no bitmap header.
Rgb32Layout Rgb32LayoutOf(const CMediaType& type);

// Converts one picture into `target` (layout.Bytes() bytes). False when the source is short.
bool ToRgb32(const Rgb32Layout& layout, const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t* target);

}  // namespace tarn::platform
