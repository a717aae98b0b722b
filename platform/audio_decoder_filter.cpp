#include "platform/audio_decoder_filter.h"

#include "platform/parse_units.h"
#include "platform/platform_ids.h"

#include <cstring>
#include <new>

namespace tarn::platform {

namespace {

constexpr AVRational kUnitsBase{1, static_cast<int>(UNITS)};
// Output samples of a tenth of a second at 48 kHz stereo.
constexpr LONG kOutputBufferBytes = 19200;
// A time stamp further than this from the running clock restarts it there.
constexpr REFERENCE_TIME kTimeTolerance = 20 * MILLISECONDS;

AVCodecID CodecOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_DOLBY_AC3) return AV_CODEC_ID_AC3;
  if (subtype == MEDIASUBTYPE_MPEG2_AUDIO || subtype == MEDIASUBTYPE_MPEG1AudioPayload ||
      subtype == MEDIASUBTYPE_MPEG1Payload || subtype == MEDIASUBTYPE_MPEG1Packet)
    return AV_CODEC_ID_MP2;  // layers 1 and 2, what DVDs carry
  if (subtype == MEDIASUBTYPE_DVD_LPCM_AUDIO) return AV_CODEC_ID_PCM_DVD;
  return AV_CODEC_ID_NONE;
}

// Rate and channels announced by the input's wave format, else DVD's 48 kHz stereo.
PcmFormat OutputFor(const AM_MEDIA_TYPE& in) {
  PcmFormat format{2, 48000, 16};
  if (in.formattype == FORMAT_WaveFormatEx && in.pbFormat != nullptr && in.cbFormat >= sizeof(WAVEFORMATEX)) {
    WAVEFORMATEX wave;
    std::memcpy(&wave, in.pbFormat, sizeof(wave));
    if (wave.nSamplesPerSec >= 8000 && wave.nSamplesPerSec <= 192000) format.sampleRate = wave.nSamplesPerSec;
    if (wave.nChannels == 1) format.channels = 1;
  }
  return format;
}

}  // namespace

CUnknown* AudioDecoderFilter::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) AudioDecoderFilter(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

AudioDecoderFilter::AudioDecoderFilter(IUnknown* outer)
    : CChunkTransformFilter(L"Audio decoder", outer, kAudioDecoderClsid) {}

AudioDecoderFilter::~AudioDecoderFilter() = default;

HRESULT AudioDecoderFilter::CheckInputType(const CMediaType* in) {
  if (in == nullptr) return E_POINTER;
  if (in->majortype != MEDIATYPE_Audio && in->majortype != MEDIATYPE_MPEG2_PES) return VFW_E_TYPE_NOT_ACCEPTED;
  return CodecOf(in->subtype) != AV_CODEC_ID_NONE ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioDecoderFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) {
  if (direction != PINDIR_INPUT) return S_OK;
  const AVCodecID codec = CodecOf(mediaType->subtype);
  // Once the output is connected its format stays: the converter brings any input to it.
  if (!m_pOutput || !m_pOutput->IsConnected()) output_ = OutputFor(*mediaType);
  if (!decoder_ || codec == codecId_) {
    codecId_ = codec;
    return S_OK;
  }
  // A new codec came with a sample while streaming: what the old decoder holds goes out first.
  DrainDecoder();
  codecId_ = codec;
  return OpenDecoder();
}

HRESULT AudioDecoderFilter::GetMediaType(int position, CMediaType* mediaType) {
  if (!m_pInput->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (mediaType == nullptr) return E_POINTER;
  *mediaType = MakePcmType(output_);
  return S_OK;
}

HRESULT AudioDecoderFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  const std::optional<PcmFormat> format = PcmFormatOf(*out);
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  // While streaming a new input type comes with a sample; its audio is converted to the
  // output the path was connected with.
  if (IsActive() && format->bitsPerSample == 16) return S_OK;
  return *format == OutputFor(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioDecoderFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  return DecidePcmBufferSize(allocator, request, kOutputBufferBytes, output_);
}

HRESULT AudioDecoderFilter::StartStreaming() {
  const HRESULT hr = OpenDecoder();
  if (FAILED(hr)) {
    decoder_.reset();
    return hr;
  }
  converter_ = std::make_unique<PcmConverter>(output_);
  clock_ = PcmClock{};
  timed_ = false;
  return S_OK;
}

HRESULT AudioDecoderFilter::OpenDecoder() {
  const AVCodec* codec = avcodec_find_decoder(codecId_);
  if (codec == nullptr) return VFW_E_NO_TRANSPORT;
  decoder_.reset(avcodec_alloc_context3(codec));
  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!decoder_ || !frame_ || !packet_) return E_OUTOFMEMORY;
  parser_.reset(codecId_ == AV_CODEC_ID_PCM_DVD ? nullptr : av_parser_init(codecId_));
  decoder_->pkt_timebase = kUnitsBase;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) return E_FAIL;
  return S_OK;
}

// The frames the parser and the decoder still hold, delivered.
void AudioDecoderFilter::DrainDecoder() {
  Decode(nullptr, 0, AV_NOPTS_VALUE);
  avcodec_send_packet(decoder_.get(), nullptr);
  DeliverDecoded();
}

HRESULT AudioDecoderFilter::StopStreaming() {
  decoder_.reset();
  parser_.reset();
  converter_.reset();
  return S_OK;
}

HRESULT AudioDecoderFilter::ReceiveChunk(const InputChunk& chunk) {
  if (chunk.discontinuity) clock_.discontinuity = true;
  return Decode(input_.Fill(chunk.data, chunk.size), static_cast<int>(chunk.size),
                chunk.start.value_or(AV_NOPTS_VALUE));
}

HRESULT AudioDecoderFilter::Decode(const std::uint8_t* data, int size, std::int64_t pts) {
  if (!decoder_) return VFW_E_WRONG_STATE;
  if (!parser_) return SendPacket(data, size, pts);
  return ParseUnits(parser_.get(), decoder_.get(), data, size, pts, [this](const std::uint8_t* frame, int frameSize) {
    return SendPacket(frame, frameSize, parser_->pts);
  });
}

HRESULT AudioDecoderFilter::SendPacket(const std::uint8_t* data, int size, std::int64_t pts) {
  if (data == nullptr || size <= 0) return S_OK;
  packet_->data = const_cast<std::uint8_t*>(data);
  packet_->size = size;
  packet_->pts = pts;
  // A damaged frame is skipped; the next one decodes on its own.
  avcodec_send_packet(decoder_.get(), packet_.get());
  packet_->data = nullptr;
  packet_->size = 0;
  return DeliverDecoded();
}

HRESULT AudioDecoderFilter::DeliverDecoded() {
  while (avcodec_receive_frame(decoder_.get(), frame_.get()) == 0) {
    const AVFrame& frame = *frame_;
    const std::int64_t pts = frame.best_effort_timestamp;
    if (pts != AV_NOPTS_VALUE &&
        (!timed_ || clock_.next - pts > kTimeTolerance || pts - clock_.next > kTimeTolerance)) {
      clock_.next = pts;
      timed_ = true;
    }
    const std::span<const std::uint8_t> pcm =
        converter_->Convert(frame.extended_data, frame.nb_samples, static_cast<AVSampleFormat>(frame.format),
                            frame.ch_layout, frame.sample_rate);
    av_frame_unref(frame_.get());
    const HRESULT hr = DeliverPcm(m_pOutput.get(), pcm, output_, clock_);
    if (hr != S_OK) return hr;
  }
  return S_OK;
}

HRESULT AudioDecoderFilter::EndOfStream() {
  if (decoder_) {
    DrainDecoder();
    DeliverPcm(m_pOutput.get(), converter_->Drain(), output_, clock_);
    avcodec_flush_buffers(decoder_.get());
  }
  return CTransformFilter::EndOfStream();
}

HRESULT AudioDecoderFilter::EndFlush() {
  {
    CAutoLock lock(&m_csReceive);
    if (decoder_) {
      avcodec_flush_buffers(decoder_.get());
      if (parser_) parser_.reset(av_parser_init(codecId_));
    }
    clock_.discontinuity = true;
    timed_ = false;
  }
  return CTransformFilter::EndFlush();
}

}  // namespace tarn::platform
