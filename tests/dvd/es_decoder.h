// libavcodec decoding of the demuxer's elementary packets, so that tests can look at pictures,
// hear tones and open subpictures.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <functional>
#include <span>

namespace tarn::dvd::test {

class EsDecoder {
 public:
  // Called with each decoded frame (video or audio).
  using FrameSink = std::function<void(const AVFrame&)>;

  EsDecoder(AVCodecID codec, FrameSink sink);
  ~EsDecoder();
  EsDecoder(const EsDecoder&) = delete;
  EsDecoder& operator=(const EsDecoder&) = delete;

  // Bytes of the elementary stream, in any cut; the parser finds the frames.
  void Push(std::span<const uint8_t> bytes);
  void Flush();

 private:
  void Decode(const uint8_t* data, int size);

  FrameSink sink_;
  AVCodecContext* context_ = nullptr;
  AVCodecParserContext* parser_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
};

// Number of rectangles in a whole DVD subpicture unit; -1 when it does not decode.
int SubpictureRectangles(std::span<const uint8_t> unit);

}  // namespace tarn::dvd::test
