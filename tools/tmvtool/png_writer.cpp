#include "tools/tmvtool/png_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
}

#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {
namespace {

std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

struct ContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// Writes all of `bytes` to a new file at `path`; empty text or the reason.
std::string WriteFile(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return path + ": " + std::strerror(errno);
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return path + ": " + std::strerror(written ? errno : writeError);
  return {};
}

}  // namespace

struct PngWriter::Codec {
  std::unique_ptr<AVCodecContext, ContextDeleter> context;
  std::unique_ptr<AVFrame, FrameDeleter> frame;
  std::unique_ptr<AVPacket, PacketDeleter> packet;
};

PngWriter::PngWriter() : codec_(std::make_unique<Codec>()) {
  const AVCodec* png = avcodec_find_encoder(AV_CODEC_ID_PNG);
  if (png == nullptr) {
    setupProblem_ = Tr("this libavcodec has no PNG encoder");
    return;
  }
  codec_->context.reset(avcodec_alloc_context3(png));
  codec_->frame.reset(av_frame_alloc());
  codec_->packet.reset(av_packet_alloc());
  if (!codec_->context || !codec_->frame || !codec_->packet) {
    setupProblem_ = Tr("out of memory");
    return;
  }
  AVCodecContext& context = *codec_->context;
  context.width = codec::kScreenWidth;
  context.height = codec::kScreenHeight;
  context.pix_fmt = AV_PIX_FMT_RGB24;
  context.time_base = AVRational{1, 10};
  if (const int error = avcodec_open2(&context, png, nullptr); error < 0) {
    setupProblem_ = Tr("cannot open the PNG encoder: %1", AvErrorText(error));
    return;
  }
  AVFrame& frame = *codec_->frame;
  frame.format = AV_PIX_FMT_RGB24;
  frame.width = codec::kScreenWidth;
  frame.height = codec::kScreenHeight;
  if (const int error = av_frame_get_buffer(&frame, 0); error < 0) {
    setupProblem_ = Tr("cannot allocate a picture: %1", AvErrorText(error));
  }
}

PngWriter::~PngWriter() = default;

std::string PngWriter::Write(const std::string& path, std::span<const std::uint8_t, codec::kRgbPictureBytes> bgr) {
  if (!setupProblem_.empty()) return setupProblem_;
  AVFrame& frame = *codec_->frame;
  if (const int error = av_frame_make_writable(&frame); error < 0) return AvErrorText(error);
  for (int y = 0; y < codec::kScreenHeight; ++y) {
    const std::uint8_t* from = bgr.data() + static_cast<std::size_t>(y) * codec::kRgbStride;
    std::uint8_t* to = frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0];
    for (int x = 0; x < codec::kScreenWidth; ++x, from += 3, to += 3) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  if (const int error = avcodec_send_frame(codec_->context.get(), &frame); error < 0) {
    return Tr("PNG encoder: %1", AvErrorText(error));
  }
  AVPacket* packet = codec_->packet.get();
  if (const int error = avcodec_receive_packet(codec_->context.get(), packet); error < 0) {
    return Tr("PNG encoder: %1", AvErrorText(error));
  }
  std::string problem = WriteFile(path, packet->data, static_cast<std::size_t>(packet->size));
  av_packet_unref(packet);
  return problem;
}

}  // namespace tarn::tmvtool
