// The audio decoder: AC-3, MPEG audio (layers 1-3) and DVD LPCM in, 16-bit
// PCM out at the stream's rate, in stereo (or mono for a mono stream).
//
// Input samples may split frames anywhere: AC-3 and MPEG audio go through
// FFmpeg's parsers. DVD LPCM samples each carry whole frames, each
// beginning with the three-byte LPCM header (quantisation, rate, channels),
// as a program stream demuxer hands them. Output samples are timed from the
// first input time stamp on, and again from each time stamp after a
// discontinuity.
//
// A sample may carry a new input type while streaming (a later DVD title in
// another codec): the decoder then drains and reopens for the new codec, and
// the output keeps its connected format, into which the audio is converted.
#pragma once

#include "platform/chunk_transform_filter.h"
#include "platform/av_handles.h"
#include "platform/pcm_converter.h"
#include "platform/pcm_delivery.h"

#include <memory>
#include <optional>

namespace tarn::platform {

class AudioDecoderFilter final : public CChunkTransformFilter {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit AudioDecoderFilter(IUnknown* outer);
  ~AudioDecoderFilter() override;

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;

 private:
  HRESULT ReceiveChunk(const InputChunk& chunk) override;
  HRESULT OpenDecoder();
  void DrainDecoder();
  HRESULT Decode(const std::uint8_t* data, int size, std::int64_t pts);
  HRESULT SendPacket(const std::uint8_t* data, int size, std::int64_t pts);
  HRESULT DeliverDecoded();

  AVCodecID codecId_ = AV_CODEC_ID_NONE;
  PcmFormat output_;
  CodecContextPtr decoder_;
  ParserPtr parser_;
  FramePtr frame_;
  PacketPtr packet_;
  PaddedInput input_;
  std::unique_ptr<PcmConverter> converter_;
  PcmClock clock_;
  bool timed_ = false;  // the clock follows the stream's time stamps
};

}  // namespace tarn::platform
