// Converts decoded or PCM audio into 16-bit (or 8-bit) interleaved PCM of an
// agreed rate and channel count with libswresample, writing into a buffer
// of the caller's.
#pragma once

#include "platform/av_handles.h"
#include "platform/media_formats.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarn::platform {

class PcmConverter {
 public:
  // Output format; the input is described at each Convert.
  explicit PcmConverter(const PcmFormat& output) : output_(output) {}
  ~PcmConverter();
  PcmConverter(const PcmConverter&) = delete;
  PcmConverter& operator=(const PcmConverter&) = delete;

  // Converts `frames` frames of input (planes as FFmpeg lays them out) and
  // returns the output bytes, valid until the next call; empty on failure.
  std::span<const std::uint8_t> Convert(const std::uint8_t* const* planes, int frames, AVSampleFormat format,
                                        const AVChannelLayout& layout, int rate);
  // What the resampler still holds, at the end of the stream.
  std::span<const std::uint8_t> Drain();

 private:
  bool Configure(AVSampleFormat format, const AVChannelLayout& layout, int rate);
  // Converts into the buffer, grown (never shrunk) to the room the resampler asks for: a
  // stream's buffer is allocated and cleared once, not for every frame.
  std::span<const std::uint8_t> ConvertInto(const std::uint8_t* const* planes, int frames);

  PcmFormat output_;
  ResamplePtr resampler_;
  AVSampleFormat inputFormat_ = AV_SAMPLE_FMT_NONE;
  AVChannelLayout inputLayout_{};
  int inputRate_ = 0;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace tarn::platform
