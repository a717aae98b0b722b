#include "platform/mpeg_video_decoder.h"

#include "media/com/ComPtr.h"
#include "platform/media_formats.h"
#include "platform/mpeg_picture_kind.h"
#include "platform/parse_units.h"
#include "platform/platform_ids.h"
#include "platform/queued_output_pin.h"
#include "platform/yuy2_packing.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstring>
#include <new>

namespace tarn::platform {

namespace {

constexpr AVRational kUnitsBase{1, static_cast<int>(UNITS)};
// Pictures waiting for the filters downstream while the next ones decode; the allocator has
// room for them, the one being decoded and the one downstream works on.
constexpr std::size_t kQueuedPictures = 3;
constexpr LONG kOutputBuffers = static_cast<LONG>(kQueuedPictures) + 2;
// Times further apart than this are a still, not the jitter of time stamps.
constexpr REFERENCE_TIME kStillGap = 250 * MILLISECONDS;

bool IsMpegVideoSubtype(const GUID& subtype) {
  return subtype == MEDIASUBTYPE_MPEG2_VIDEO || subtype == MEDIASUBTYPE_MPEG1Payload ||
         subtype == MEDIASUBTYPE_MPEG1Packet || subtype == MEDIASUBTYPE_MPEG1Video;
}

// Picture size and frame time from the input's format block.
bool InputPictureSize(const AM_MEDIA_TYPE& type, LONG* width, LONG* height, REFERENCE_TIME* frameTime) {
  const BYTE* format = type.pbFormat;
  if (format == nullptr) return false;
  if ((type.formattype == FORMAT_MPEG2Video || type.formattype == FORMAT_VideoInfo2) &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER2*>(format);
    *width = info->bmiHeader.biWidth;
    *height = info->bmiHeader.biHeight;
    *frameTime = info->AvgTimePerFrame;
  } else if ((type.formattype == FORMAT_MPEGVideo || type.formattype == FORMAT_VideoInfo) &&
             type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(format);
    *width = info->bmiHeader.biWidth;
    *height = info->bmiHeader.biHeight;
    *frameTime = info->AvgTimePerFrame;
  } else {
    return false;
  }
  if (*height < 0) *height = -*height;
  // MPEG-2 pictures are at most 16383 pixels a side.
  return *width > 0 && *height > 0 && *width <= 16383 && *height <= 16383;
}

}  // namespace

// ---- the subpicture pin ----

SubpictureInputPin::SubpictureInputPin(MpegVideoDecoder* decoder, CCritSec* lock, HRESULT* phr)
    : CBaseInputPin(L"Subpicture input", decoder, lock, phr, L"Subpicture"), decoder_(decoder) {}

HRESULT SubpictureInputPin::CheckMediaType(const CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  const bool major = mediaType->majortype == MEDIATYPE_Video || mediaType->majortype == MEDIATYPE_MPEG2_PES ||
                     mediaType->majortype == MEDIATYPE_DVD_ENCRYPTED_PACK;
  return major && mediaType->subtype == MEDIASUBTYPE_DVD_SUBPICTURE ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT SubpictureInputPin::Receive(IMediaSample* sample) {
  CAutoLock lock(&receiveLock_);
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const LONG length = sample->GetActualDataLength();
  if (length <= 0) return S_OK;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  std::optional<REFERENCE_TIME> time;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) time = start;
  decoder_->Overlay().AddPacket(input_.Fill(data, static_cast<std::size_t>(length)), static_cast<std::size_t>(length),
                                time);
  return S_OK;
}

// The subpicture stream ending does not end the video.
HRESULT SubpictureInputPin::EndOfStream() { return S_OK; }

HRESULT SubpictureInputPin::BeginFlush() {
  const HRESULT hr = CBaseInputPin::BeginFlush();
  decoder_->Overlay().Clear();
  return hr;
}

// ---- the filter ----

CUnknown* MpegVideoDecoder::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) MpegVideoDecoder(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

MpegVideoDecoder::MpegVideoDecoder(IUnknown* outer)
    : CChunkTransformFilter(L"MPEG video decoder", outer, kMpegVideoDecoderClsid) {
  HRESULT hr = S_OK;
  m_pInput = std::make_unique<CTransformInputPin>(L"Transform input pin", this, &hr, L"XForm In");
  m_pOutput = std::make_unique<QueuedOutputPin>(this, &hr, kQueuedPictures);
  subpicturePin_ = std::make_unique<SubpictureInputPin>(this, &m_csFilter, &hr);
}

MpegVideoDecoder::~MpegVideoDecoder() = default;

HRESULT MpegVideoDecoder::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_ITarnSubpictureControl) return GetInterface(static_cast<ITarnSubpictureControl*>(this), ppv);
  return CTransformFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* MpegVideoDecoder::GetPin(int n) {
  if (n == 2) return subpicturePin_.get();
  return CTransformFilter::GetPin(n);
}

HRESULT MpegVideoDecoder::CheckInputType(const CMediaType* in) {
  if (in == nullptr) return E_POINTER;
  if (in->majortype != MEDIATYPE_Video && in->majortype != MEDIATYPE_MPEG2_PES) return VFW_E_TYPE_NOT_ACCEPTED;
  if (!IsMpegVideoSubtype(in->subtype)) return VFW_E_TYPE_NOT_ACCEPTED;
  LONG width = 0, height = 0;
  REFERENCE_TIME frameTime = 0;
  return InputPictureSize(*in, &width, &height, &frameTime) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MpegVideoDecoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) {
  if (direction == PINDIR_INPUT) {
    InputPictureSize(*mediaType, &width_, &height_, &frameTime_);
    if (frameTime_ <= 0) frameTime_ = 333667;  // NTSC until the stream says otherwise
  } else {
    outputRgb_ = mediaType->subtype == MEDIASUBTYPE_RGB24;
  }
  return S_OK;
}

HRESULT MpegVideoDecoder::GetMediaType(int position, CMediaType* mediaType) {
  if (!m_pInput->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 1) return VFW_S_NO_MORE_ITEMS;
  if (mediaType == nullptr) return E_POINTER;
  *mediaType = MakeVideoType(position == 0 ? MEDIASUBTYPE_YUY2 : MEDIASUBTYPE_RGB24, width_, height_, frameTime_);
  return S_OK;
}

HRESULT MpegVideoDecoder::CheckTransform(const CMediaType* in, const CMediaType* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  if (out->majortype != MEDIATYPE_Video) return VFW_E_TYPE_NOT_ACCEPTED;
  if (out->subtype != MEDIASUBTYPE_YUY2 && out->subtype != MEDIASUBTYPE_RGB24) return VFW_E_TYPE_NOT_ACCEPTED;
  const BITMAPINFOHEADER* header = VideoBitmapHeader(*out);
  LONG width = 0, height = 0;
  REFERENCE_TIME frameTime = 0;
  InputPictureSize(*in, &width, &height, &frameTime);
  if (header == nullptr || header->biWidth != width || header->biHeight != height) return VFW_E_TYPE_NOT_ACCEPTED;
  if (out->subtype == MEDIASUBTYPE_RGB24 && header->biBitCount != 24) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT MpegVideoDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const auto bytes = static_cast<LONG>(outputRgb_ ? Rgb24FrameBytes(width_, height_) : Yuy2FrameBytes(width_, height_));
  request->cBuffers = std::max<LONG>(request->cBuffers, kOutputBuffers);
  request->cbBuffer = std::max(request->cbBuffer, bytes);
  request->cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < bytes ? E_FAIL : S_OK;
}

HRESULT MpegVideoDecoder::StartStreaming() {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  if (codec == nullptr) return VFW_E_NO_TRANSPORT;
  decoder_.reset(avcodec_alloc_context3(codec));
  parser_.reset(av_parser_init(AV_CODEC_ID_MPEG2VIDEO));
  frame_.reset(av_frame_alloc());
  lastFrame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!decoder_ || !parser_ || !frame_ || !lastFrame_ || !packet_) return E_OUTOFMEMORY;
  decoder_->pkt_timebase = kUnitsBase;
  decoder_->thread_count = 1;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) return E_FAIL;
  nextStart_ = 0;
  segmentStop_ = MAX_TIME;
  discontinuity_ = true;
  progressiveSequence_.reset();
  ForgetHeldPicture();
  return S_OK;
}

HRESULT MpegVideoDecoder::StopStreaming() {
  // Lets go of the filter downstream too (the follower holds its input pin).
  gate_.Forget();
  decoder_.reset();
  parser_.reset();
  scaler_.reset();
  scalerFormat_ = AV_PIX_FMT_NONE;
  overlay_.Clear();
  return S_OK;
}

HRESULT MpegVideoDecoder::ReceiveChunk(const InputChunk& chunk) {
  if (chunk.discontinuity) discontinuity_ = true;
  return Decode(input_.Fill(chunk.data, chunk.size), static_cast<int>(chunk.size),
                chunk.start.value_or(AV_NOPTS_VALUE));
}

// Splits the bytes into pictures with the parser and decodes them.
HRESULT MpegVideoDecoder::Decode(const std::uint8_t* data, int size, std::int64_t pts) {
  if (!decoder_) return VFW_E_WRONG_STATE;
  return ParseUnits(parser_.get(), decoder_.get(), data, size, pts,
                    [this](const std::uint8_t* picture, int pictureSize) {
                      const CodedPicture coded{picture, pictureSize, parser_->pts, parser_->dts};
                      return DecodePicture(coded, parser_->pict_type);
                    });
}

// A B picture whose time the gate downstream would discard is held until the next picture
// arrives, and then left out unless the decoder would have shown it again over a still. Leaving
// it out is exact: no picture refers to a B picture, the gate never moves for a discarded
// picture, and the decoder goes on as if it had shown the picture: the still before it is shown
// all the same, and the next picture without a time of its own starts where it would have ended.
//
// So only a B picture whose start and length are known is held: the decoder holds both pictures
// it refers to (it shows every such B picture), the picture carries no headers the pictures after
// it use, the sequence is known where it repeats a field, and no discontinuity is waiting to be
// marked on it. A B picture without a time of its own starts where the picture shown before it
// ended.
HRESULT MpegVideoDecoder::DecodePicture(const CodedPicture& picture, int type) {
  gate_.Follow(m_pOutput->GetConnected());
  const bool bidirectional = type == AV_PICTURE_TYPE_B;
  HRESULT hr = SettleHeldPicture(bidirectional ? picture.pts : lastReferencePts_);
  if (FAILED(hr)) return hr;
  const MpegPictureHeaders headers = ReadMpegPictureHeaders(picture.data, static_cast<std::size_t>(picture.size));
  if (headers.changesSequence) progressiveSequence_ = headers.progressiveSequence;
  if (bidirectional && !discontinuity_ && references_ == 2 && headers.ownHeadersOnly &&
      (!headers.repeatFirstField || progressiveSequence_)) {
    // A B picture is shown as soon as it is decoded, right after the picture shown before it.
    const std::int64_t start = picture.pts != AV_NOPTS_VALUE ? picture.pts : nextStart_;
    if (gate_.Discards(start)) {
      Hold(picture, start, headers.RepeatPict(progressiveSequence_.value_or(false)));
      return S_OK;
    }
  }
  if (!bidirectional) {
    lastReferencePts_ = picture.pts;
    // An I picture starts the pictures the decoder can refer to; a P picture before one is
    // dropped.
    if (type == AV_PICTURE_TYPE_I || (type == AV_PICTURE_TYPE_P && references_ > 0))
      references_ = std::min(references_ + 1, 2);
  }
  return SendPicture(picture);
}

void MpegVideoDecoder::Hold(const CodedPicture& picture, std::int64_t start, int repeatPict) {
  const auto size = static_cast<std::size_t>(picture.size);
  if (heldBytes_.size() < size + AV_INPUT_BUFFER_PADDING_SIZE) heldBytes_.resize(size + AV_INPUT_BUFFER_PADDING_SIZE);
  std::memcpy(heldBytes_.data(), picture.data, size);
  std::memset(heldBytes_.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
  held_ = picture;
  held_.data = heldBytes_.data();
  heldStart_ = start;
  heldRepeatPict_ = repeatPict;
  holding_ = true;
}

HRESULT MpegVideoDecoder::SettleHeldPicture(std::int64_t nextShownPts) {
  if (!holding_) return S_OK;
  holding_ = false;
  // Sent later than it arrived: a discontinuity marked since belongs to the pictures after it.
  const bool discontinuity = discontinuity_;
  discontinuity_ = false;
  HRESULT hr = S_OK;
  const REFERENCE_TIME heldStop = heldStart_ + FrameDuration(heldRepeatPict_);
  // Over a still after it, the decoder would show the held picture again until the next one.
  const bool stillAfter =
      nextShownPts != AV_NOPTS_VALUE && nextShownPts != MAX_TIME && nextShownPts - heldStop > kStillGap;
  if (!stillAfter && gate_.Discards(heldStart_)) {
    hr = HoldLastPicture(heldStart_);
    if (hr == S_OK) {
      nextStart_ = heldStop;
      gate_.CountSkipped();
    }
  } else {
    hr = SendPicture(held_);
  }
  discontinuity_ = discontinuity_ || discontinuity;
  return hr;
}

void MpegVideoDecoder::ForgetHeldPicture() {
  holding_ = false;
  references_ = 0;
  lastReferencePts_ = AV_NOPTS_VALUE;
  gate_.Forget();
}

HRESULT MpegVideoDecoder::SendPicture(const CodedPicture& picture) {
  packet_->data = const_cast<std::uint8_t*>(picture.data);
  packet_->size = picture.size;
  packet_->pts = picture.pts;
  packet_->dts = picture.dts;
  // A damaged picture is skipped; decoding goes on with the next one.
  avcodec_send_packet(decoder_.get(), packet_.get());
  packet_->data = nullptr;
  packet_->size = 0;
  return DeliverDecodedPictures();
}

HRESULT MpegVideoDecoder::DeliverDecodedPictures() {
  while (avcodec_receive_frame(decoder_.get(), frame_.get()) == 0) {
    const HRESULT hr = DeliverPicture(*frame_);
    av_frame_unref(frame_.get());
    if (hr != S_OK) return hr;
  }
  return S_OK;
}

HRESULT MpegVideoDecoder::DeliverPicture(const AVFrame& frame) {
  REFERENCE_TIME start = frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : nextStart_;
  const HRESULT held = HoldLastPicture(start);
  if (held != S_OK) return held;
  const REFERENCE_TIME stop = start + FrameDuration(frame.repeat_pict);
  nextStart_ = stop;
  av_frame_unref(lastFrame_.get());
  av_frame_ref(lastFrame_.get(), &frame);
  return SendPicture(frame, start, stop);
}

// How long a picture is shown: a frame at the stream's rate, and half a frame more for each
// field it repeats.
REFERENCE_TIME MpegVideoDecoder::FrameDuration(int repeatPict) const {
  const AVRational rate = decoder_->framerate;
  const REFERENCE_TIME duration = rate.num > 0 ? av_rescale(UNITS, rate.den, rate.num) : frameTime_;
  return duration + duration * repeatPict / 2;
}

// Over a jump of the times to `until`, the last picture stays: it goes out again at the
// frame rate, so that every moment of the still has its pictures.
HRESULT MpegVideoDecoder::HoldLastPicture(REFERENCE_TIME until) {
  if (lastFrame_->data[0] == nullptr || until == MAX_TIME || until - nextStart_ <= kStillGap) return S_OK;
  const AVRational rate = decoder_->framerate;
  const REFERENCE_TIME step = rate.num > 0 ? av_rescale(UNITS, rate.den, rate.num) : frameTime_;
  if (step <= 0) return S_OK;
  while (nextStart_ + step <= until) {
    const HRESULT hr = SendPicture(*lastFrame_, nextStart_, nextStart_ + step);
    if (hr != S_OK) return hr;
    nextStart_ += step;
  }
  return S_OK;
}

HRESULT MpegVideoDecoder::SendPicture(const AVFrame& frame, REFERENCE_TIME start, REFERENCE_TIME stop) {
  IMediaSample* raw = nullptr;
  HRESULT hr = m_pOutput->GetDeliveryBuffer(&raw, &start, &stop, 0);
  if (FAILED(hr)) return hr;
  ComPtr<IMediaSample> out = ComPtr<IMediaSample>::Attach(raw);
  BYTE* buffer = nullptr;
  out->GetPointer(&buffer);
  const std::size_t bytes = outputRgb_ ? Rgb24FrameBytes(width_, height_) : Yuy2FrameBytes(width_, height_);
  if (static_cast<std::size_t>(out->GetSize()) < bytes) return VFW_E_BUFFER_OVERFLOW;
  // A picture the gate downstream will discard still goes on (its times and marks count), but
  // the gate drops it unread: its colours are not converted.
  if (gate_.Discards(start))
    gate_.CountUnconverted();
  else
    StorePicture(frame, buffer);
  // Subpicture coordinates are the stream's, also when the picture was scaled.
  const PictureSize streamSize{frame.width, frame.height};
  if (outputRgb_)
    overlay_.BlendRgb24BottomUp(buffer, width_, height_, start, streamSize);
  else
    overlay_.BlendYuy2(buffer, width_, height_, start, streamSize);

  out->SetActualDataLength(static_cast<LONG>(bytes));
  out->SetTime(&start, &stop);
  gate_.Sent(start);
  gate_.PrepareSent(out.Get());
  out->SetSyncPoint(TRUE);
  out->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
  discontinuity_ = false;
  return m_pOutput->Deliver(out.Get());
}

// A picture of another size than the agreed type (a PAL title played after an NTSC one through
// the same graph) is scaled to the agreed size: DVD pictures of every size fill the same
// display, so the scaled picture keeps its proportions, and the filters downstream keep theirs.
void MpegVideoDecoder::StorePicture(const AVFrame& frame, std::uint8_t* out) {
  const auto format = static_cast<AVPixelFormat>(frame.format);
  const AVPixelFormat target = outputRgb_ ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422;
  if (!outputRgb_ && frame.width == width_ && frame.height == height_ &&
      PackYuv420AsYuy2(frame, out, (width_ + 1) / 2 * 4))
    return;
  if (!scaler_ || scalerFormat_ != format || scalerWidth_ != frame.width || scalerHeight_ != frame.height) {
    // Same size: point sampling takes libswscale's fast unscaled converters.
    const bool sameSize = frame.width == width_ && frame.height == height_;
    scaler_.reset(sws_getContext(frame.width, frame.height, format, width_, height_, target,
                                 sameSize ? SWS_POINT : SWS_BILINEAR, nullptr, nullptr, nullptr));
    scalerFormat_ = format;
    scalerWidth_ = frame.width;
    scalerHeight_ = frame.height;
  }
  if (!scaler_) {
    FillBlack(out);
    return;
  }
  const int rowBytes = outputRgb_ ? width_ * 3 : (width_ + 1) / 2 * 4;
  std::uint8_t* planes[4] = {out, nullptr, nullptr, nullptr};
  int strides[4] = {rowBytes, 0, 0, 0};
  if (outputRgb_) {
    // Bottom-up rows: start at the last row and step backwards.
    planes[0] = out + static_cast<std::ptrdiff_t>(height_ - 1) * rowBytes;
    strides[0] = -rowBytes;
  }
  sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
}

void MpegVideoDecoder::FillBlack(std::uint8_t* out) const {
  const std::size_t bytes = outputRgb_ ? Rgb24FrameBytes(width_, height_) : Yuy2FrameBytes(width_, height_);
  std::memset(out, outputRgb_ ? 0 : 0x80, bytes);
  if (!outputRgb_)
    for (std::size_t i = 0; i < bytes; i += 2) out[i] = 16;
}

HRESULT MpegVideoDecoder::EndOfStream() {
  if (decoder_) {
    Decode(nullptr, 0, AV_NOPTS_VALUE);
    SettleHeldPicture(lastReferencePts_);
    avcodec_send_packet(decoder_.get(), nullptr);
    DeliverDecodedPictures();
    // A still at the end of the segment lasts to its stop.
    HoldLastPicture(segmentStop_);
    av_frame_unref(lastFrame_.get());
    avcodec_flush_buffers(decoder_.get());
    references_ = 0;
  }
  return CTransformFilter::EndOfStream();
}

// Under the receive lock, as samples are: the output queue is then never torn down under it.
HRESULT MpegVideoDecoder::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CAutoLock lock(&m_csReceive);
  segmentStop_ = stop > start && rate > 0 ? stop - start : MAX_TIME;
  if (lastFrame_) av_frame_unref(lastFrame_.get());  // a new segment holds nothing of the last
  return CTransformFilter::NewSegment(start, stop, rate);
}

HRESULT MpegVideoDecoder::EndFlush() {
  {
    // Flushed pictures are gone: the decoder starts over at the next sync point.
    CAutoLock lock(&m_csReceive);
    if (decoder_) {
      avcodec_flush_buffers(decoder_.get());
      parser_.reset(av_parser_init(AV_CODEC_ID_MPEG2VIDEO));
      av_frame_unref(lastFrame_.get());
    }
    discontinuity_ = true;
    // The pictures on their way to the gate were flushed: its state is taken again.
    ForgetHeldPicture();
  }
  return CTransformFilter::EndFlush();
}

HRESULT MpegVideoDecoder::SetPalette(const DWORD yCrCb[16]) {
  if (yCrCb == nullptr) return E_POINTER;
  DiscPalette palette;
  std::copy(yCrCb, yCrCb + 16, palette.begin());
  overlay_.SetPalette(palette);
  return S_OK;
}

HRESULT MpegVideoDecoder::SetSubpictureState(BOOL shown) {
  overlay_.SetShown(shown != FALSE);
  return S_OK;
}

HRESULT MpegVideoDecoder::GetSubpictureState(BOOL* shown) {
  if (shown == nullptr) return E_POINTER;
  *shown = overlay_.Shown() ? TRUE : FALSE;
  return S_OK;
}

}  // namespace tarn::platform
