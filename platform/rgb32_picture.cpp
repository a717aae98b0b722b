#include "platform/rgb32_picture.h"

#include <algorithm>

#include "platform/media_formats.h"

namespace tarn::platform {

namespace {

std::uint8_t Clamp(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// BT.601 studio range, in 8.8 fixed point.
void PutYuv(int y, int u, int v, std::uint8_t* pixel) {
  const int c = 298 * (y - 16);
  const int d = u - 128;
  const int e = v - 128;
  pixel[0] = Clamp((c + 516 * d + 128) >> 8);
  pixel[1] = Clamp((c - 100 * d - 208 * e + 128) >> 8);
  pixel[2] = Clamp((c + 409 * e + 128) >> 8);
  pixel[3] = 0xFF;
}

void Yuy2Row(const std::uint8_t* source, LONG width, std::uint8_t* target) {
  for (LONG x = 0; x < width; x += 2, source += 4) {
    PutYuv(source[0], source[1], source[3], target + x * 4);
    if (x + 1 < width) PutYuv(source[2], source[1], source[3], target + (x + 1) * 4);
  }
}

void Rgb24Row(const std::uint8_t* source, LONG width, std::uint8_t* target) {
  for (LONG x = 0; x < width; ++x, source += 3, target += 4) {
    target[0] = source[0];
    target[1] = source[1];
    target[2] = source[2];
    target[3] = 0xFF;
  }
}

}  // namespace

Rgb32Layout Rgb32LayoutOf(const CMediaType& type) {
  Rgb32Layout layout;
  const BITMAPINFOHEADER* header = VideoBitmapHeader(type);
  if (header == nullptr || header->biWidth <= 0 || header->biHeight == 0) return layout;
  layout.width = header->biWidth;
  layout.height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  layout.yuy2 = type.subtype == MEDIASUBTYPE_YUY2;
  layout.bottomUp = !layout.yuy2 && header->biHeight > 0;
  layout.sourceBytes =
      layout.yuy2 ? Yuy2FrameBytes(layout.width, layout.height) : Rgb24FrameBytes(layout.width, layout.height);
  return layout;
}

bool ToRgb32(const Rgb32Layout& layout, const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t* target) {
  if (layout.width <= 0 || sourceBytes < layout.sourceBytes) return false;
  const std::size_t sourceRow = layout.sourceBytes / static_cast<std::size_t>(layout.height);
  const std::size_t targetRow = static_cast<std::size_t>(layout.width) * 4;
  for (LONG y = 0; y < layout.height; ++y) {
    const LONG from = layout.bottomUp ? layout.height - 1 - y : y;
    const std::uint8_t* row = source + static_cast<std::size_t>(from) * sourceRow;
    std::uint8_t* out = target + static_cast<std::size_t>(y) * targetRow;
    if (layout.yuy2)
      Yuy2Row(row, layout.width, out);
    else
      Rgb24Row(row, layout.width, out);
  }
  return true;
}

}  // namespace tarn::platform
