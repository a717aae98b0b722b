// Owners of FFmpeg's objects, so that every path out of a function frees them.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>
#include <string>

namespace tarn::platform {

struct FormatContextCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecContextFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ParserCloser {
  void operator()(AVCodecParserContext* parser) const { av_parser_close(parser); }
};
struct ScaleFreer {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct ResampleFreer {
  void operator()(SwrContext* context) const { swr_free(&context); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserCloser>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFreer>;
using ResamplePtr = std::unique_ptr<SwrContext, ResampleFreer>;

// FFmpeg's parsers and decoders read a little past the end of their input: a copy of the
// bytes with zeroed padding after them. The buffer keeps its largest size, so a stream of
// samples allocates only while the samples grow.
class PaddedInput {
 public:
  const std::uint8_t* Fill(const std::uint8_t* data, std::size_t size) {
    if (bytes_.size() < size + AV_INPUT_BUFFER_PADDING_SIZE) bytes_.resize(size + AV_INPUT_BUFFER_PADDING_SIZE);
    std::copy_n(data, size, bytes_.begin());
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(size), AV_INPUT_BUFFER_PADDING_SIZE, std::uint8_t{0});
    return bytes_.data();
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

// FFmpeg's text for an error code.
inline std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof(text));
  return text;
}

}  // namespace tarn::platform
