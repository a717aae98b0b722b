// Writes 240x160 pictures as PNG files with libavcodec's PNG encoder, set up once.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "codec/screen.h"

namespace tarn::tmvtool {

class PngWriter {
 public:
  PngWriter();
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // Empty when the encoder is ready, else why not.
  const std::string& SetupProblem() const { return setupProblem_; }

  // Writes `bgr` (blue, green, red bytes, top row first) to `path`; empty text or the reason
  // it failed.
  std::string Write(const std::string& path, std::span<const std::uint8_t, codec::kRgbPictureBytes> bgr);

 private:
  struct Codec;
  std::unique_ptr<Codec> codec_;
  std::string setupProblem_;
};

}  // namespace tarn::tmvtool
