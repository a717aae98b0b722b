#include "tests/dvd/es_decoder.h"

#include <stdexcept>
#include <vector>

namespace tarn::dvd::test {

EsDecoder::EsDecoder(AVCodecID codec, FrameSink sink) : sink_(std::move(sink)) {
  const AVCodec* decoder = avcodec_find_decoder(codec);
  context_ = decoder != nullptr ? avcodec_alloc_context3(decoder) : nullptr;
  parser_ = av_parser_init(codec);
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (context_ == nullptr || parser_ == nullptr || packet_ == nullptr || frame_ == nullptr ||
      avcodec_open2(context_, decoder, nullptr) < 0) {
    throw std::runtime_error("cannot open the decoder");
  }
}

EsDecoder::~EsDecoder() {
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  av_parser_close(parser_);
  avcodec_free_context(&context_);
}

void EsDecoder::Push(std::span<const uint8_t> bytes) {
  // The parser may look a little past the end of its input.
  std::vector<uint8_t> padded(bytes.begin(), bytes.end());
  padded.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  const uint8_t* data = padded.data();
  int left = static_cast<int>(bytes.size());
  while (left > 0) {
    uint8_t* frame = nullptr;
    int frameSize = 0;
    const int used =
        av_parser_parse2(parser_, context_, &frame, &frameSize, data, left, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    if (used < 0) return;
    data += used;
    left -= used;
    if (frameSize > 0) Decode(frame, frameSize);
  }
}

void EsDecoder::Flush() {
  uint8_t* frame = nullptr;
  int frameSize = 0;
  av_parser_parse2(parser_, context_, &frame, &frameSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
  if (frameSize > 0) Decode(frame, frameSize);
  Decode(nullptr, 0);
}

void EsDecoder::Decode(const uint8_t* data, int size) {
  if (data != nullptr) {
    packet_->data = const_cast<uint8_t*>(data);
    packet_->size = size;
    if (avcodec_send_packet(context_, packet_) < 0) return;
  } else {
    avcodec_send_packet(context_, nullptr);
  }
  while (avcodec_receive_frame(context_, frame_) == 0) {
    sink_(*frame_);
    av_frame_unref(frame_);
  }
}

int SubpictureRectangles(std::span<const uint8_t> unit) {
  const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
  AVCodecContext* context = avcodec_alloc_context3(decoder);
  AVPacket* packet = av_packet_alloc();
  int rectangles = -1;
  std::vector<uint8_t> padded(unit.begin(), unit.end());
  padded.resize(unit.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  if (context != nullptr && packet != nullptr && avcodec_open2(context, decoder, nullptr) == 0) {
    packet->data = padded.data();
    packet->size = static_cast<int>(unit.size());
    AVSubtitle subtitle{};
    int got = 0;
    if (avcodec_decode_subtitle2(context, &subtitle, &got, packet) >= 0 && got != 0) {
      rectangles = static_cast<int>(subtitle.num_rects);
      avsubtitle_free(&subtitle);
    }
  }
  av_packet_free(&packet);
  avcodec_free_context(&context);
  return rectangles;
}

}  // namespace tarn::dvd::test
