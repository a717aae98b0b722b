// Picture preparation: any decoded RGB24 or YUY2 frame to the 240x160 prepared picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/screen.h"

namespace tarn::codec {

// Tone and detail tables, built once per stream from the settings; entries are multiples of 8.
struct PictureTables {
  std::uint8_t tone[256];
  std::uint8_t detail[256];
  bool sharpen = false;  // `Enhance` other than 10
};

struct FitSettings {
  int targetWidth = 240;   // W: `ImageH` x 8, taken within 8..360
  int targetHeight = 160;  // H: `ImageV` x 8, taken within 8..240
  bool changeScale = false;
  bool fullOut = false;
  int saturationShift = 2;  // `S`, 1..8
};

void BuildPictureTables(int brightness, int contrast, int enhance, PictureTables& tables);

// Packed 4:2:2 (Y0 U Y1 V, (width + 1) / 2 groups a row) to 24-bit BGR rows of width x 3
// bytes, bottom row first in `target`. An odd width drops the half group's second pixel.
void YuvToRgb(const std::uint8_t* source, std::uint8_t* target, int width, int height);

// Halves the bottom-up BGR picture (width x height x 3 bytes) in place while it is more than
// twice the target size, packing rows at (width / 2) x 3 bytes; updates width and height.
void HalvePicture(std::uint8_t* picture, int& width, int& height, const FitSettings& settings);

// YuvToRgb followed by HalvePicture, with the first halving done while converting, two source
// rows at a time, so that the full-size picture is never written and reread. Leaves in
// `target` the same halved picture (and the same width and height) as the two steps.
void YuvToHalvedRgb(const std::uint8_t* source, std::uint8_t* target, int& width, int& height,
                    const FitSettings& settings);

// Scales, places, tones, saturates and sharpens the (halved) picture into `prepared`
// (kRgbPictureBytes, top row first); outside the placed picture the screen is black. Samples
// that would come from outside the width x height source read as black. `work` is scratch of
// kRgbPictureBytes.
void FitPicture(const std::uint8_t* picture, int width, int height, const FitSettings& settings,
                const PictureTables& tables, std::uint8_t* work, std::uint8_t* prepared);

}  // namespace tarn::codec
