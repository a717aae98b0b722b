// The video encoder filter's view of "TarnMedia.ini", section "SaveMovie", read at every
// stream start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/profile_file.h"

namespace tarn::settings {

// The encoder reads every value as text of at most 255 bytes.
inline constexpr std::size_t kEncoderValueBuffer = 256;

struct EncoderSettings {
  std::string fileName;  // movie file to create; "<home>/temp.tmv" by default
  std::int32_t contrast = 0;
  std::int32_t brightness = 0;
  std::int32_t enhance = 0;      // sharpening: 10 is none
  std::int32_t saturation = 0;   // key `S`, 1 to 8
  std::int32_t mode = 0;         // compression mode 0-9 (the converter writes 0-7)
  std::int32_t imageWidth = 0;   // pixels: key `ImageH` x 8, 8 to 360
  std::int32_t imageHeight = 0;  // pixels: key `ImageV` x 8, 8 to 240
  std::int32_t changeScale = 0;  // 0-9, nonzero: change the source's aspect ratio
  std::int32_t fullOut = 0;      // 0-9, nonzero: fill the whole output picture
};

// Key `FileName` with the Windows-form default mapped to the home folder.
std::string ReadEncoderFileName(const ProfileFile& profile);

// Everything but the file name, in the encoder's order: Contrast, Brightness, Enhance, S, Mode,
// ImageH, ImageV, ChangeScale, FullOut. The filter creates the movie file between reading the
// name and reading these.
void ReadEncoderPictureSettings(const ProfileFile& profile, EncoderSettings& settings);

// The name, then the rest.
EncoderSettings ReadEncoderSettings(const ProfileFile& profile);

}  // namespace tarn::settings
