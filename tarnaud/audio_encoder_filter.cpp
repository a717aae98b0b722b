#include "tarnaud/audio_encoder_filter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "base/settings_location.h"
#include "media/com/ComPtr.h"
#include "media/dshow/EventCodes.h"
#include "tarnaud/audio_encoder_ids.h"
#include "tarnaud/audio_media_types.h"
#include "tarnaud/audio_process_state.h"

namespace tarn::aud {
namespace {

// Output buffers hold at least half a second of the input's audio; a longer input sample is
// handed on in several pieces.
constexpr LONG kMinimumBufferFraction = 2;
constexpr LONG kOutputBuffers = 4;

// A segment said to last longer than a day is taken as one without a known end: padding to a
// damaged stop time would write silence for hours.
constexpr Time100ns kLongestKnownSegment = 24LL * 3600 * kUnitsPerSecond;

// The input pin proposes the format it prefers, so that a converter in front of it (the
// ACM wrapper) delivers 48 kHz stereo.
class AudioEncoderInputPin final : public CTransformInputPin {
 public:
  AudioEncoderInputPin(CTransformFilter* filter, HRESULT* phr)
      : CTransformInputPin(L"Audio encoder input pin", filter, phr, L"XForm In") {}

  HRESULT GetMediaType(int position, CMediaType* mediaType) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    if (mediaType == nullptr) return E_POINTER;
    return mediaType->Set(MakePcmType(kPreferredInput));
  }
};

std::optional<Time100ns> SampleStart(IMediaSample* sample) {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const HRESULT hr = sample->GetTime(&start, &stop);
  if (hr == S_OK || hr == VFW_S_NO_STOP_TIME) return start;
  return std::nullopt;
}

}  // namespace

CUnknown* AudioEncoderFilter::CreateInstance(IUnknown* outer, HRESULT* phr) {
  AudioEncoderFilter* filter = nullptr;
  try {
    filter = new AudioEncoderFilter(outer);
  } catch (const std::bad_alloc&) {
    filter = nullptr;
  }
  if (filter != nullptr && (!filter->m_pInput || !filter->m_pOutput)) {
    delete filter;
    filter = nullptr;
  }
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

AudioEncoderFilter::AudioEncoderFilter(IUnknown* outer)
    : CTransformFilter(L"Audio encoder filter", outer, kAudioEncoderClsid) {
  HRESULT hr = S_OK;
  m_pInput.reset(new (std::nothrow) AudioEncoderInputPin(this, &hr));
  m_pOutput.reset(new (std::nothrow) CTransformOutputPin(L"Audio encoder output pin", this, &hr, L"XForm Out"));
  if (FAILED(hr)) {
    m_pOutput.reset();
    m_pInput.reset();
  }
}

AudioEncoderFilter::~AudioEncoderFilter() = default;

// ---- types and buffers ----

HRESULT AudioEncoderFilter::CheckInputType(const CMediaType* in) { return DescribePcm(in, nullptr); }

HRESULT AudioEncoderFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  PcmFormat input;
  PcmFormat output;
  if (DescribePcm(in, &input) != S_OK || DescribePcm(out, &output) != S_OK) return E_FAIL;
  // While streaming, a new input type arrives with a sample and the output follows it with
  // the next sample it delivers.
  if (IsActive()) return S_OK;
  return input.sampleRate == output.sampleRate && input.channels == output.channels ? S_OK : E_FAIL;
}

HRESULT AudioEncoderFilter::GetMediaType(int position, CMediaType* mediaType) {
  if (m_pInput == nullptr || !m_pInput->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (mediaType == nullptr) return E_POINTER;
  return mediaType->Set(m_pInput->CurrentMediaType());
}

HRESULT AudioEncoderFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (m_pInput == nullptr || !m_pInput->IsConnected()) return E_UNEXPECTED;
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const LONG frameBytes = static_cast<LONG>(connectedInput_.channels) * 2;
  LONG bytes = static_cast<LONG>(connectedInput_.sampleRate / kMinimumBufferFraction) * frameBytes;
  if (IMemAllocator* upstream = m_pInput->Allocator()) {
    ALLOCATOR_PROPERTIES given{};
    if (upstream->GetProperties(&given) == S_OK) bytes = std::max(bytes, given.cbBuffer);
  }
  request->cBuffers = std::max(request->cBuffers, kOutputBuffers);
  request->cbBuffer = std::max(request->cbBuffer, bytes);
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  // Pieces are cut at whole frames, so a buffer must hold at least one.
  if (actual.cbBuffer < frameBytes) return E_FAIL;
  return S_OK;
}

HRESULT AudioEncoderFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) {
  if (direction != PINDIR_INPUT) return S_OK;
  PcmFormat format;
  const HRESULT hr = DescribePcm(mediaType, &format);
  if (hr != S_OK) return hr;
  const bool changed = format.sampleRate != connectedInput_.sampleRate || format.channels != connectedInput_.channels;
  connectedInput_ = format;
  if (!changed || !encoder_.Started() || soundComplete_) return S_OK;
  // A type change carried by a sample: the samples that follow are in the new format, and
  // so is what goes downstream.
  outputTypeChanged_ = true;
  timeline_.ChangeRate(format.sampleRate);
  const int error = encoder_.ChangeInput(format);
  if (error != 0 && streamError_ == S_OK) streamError_ = HResultFromErrno(error);
  return S_OK;
}

// ---- streaming ----

HRESULT AudioEncoderFilter::StartStreaming() {
  settings_ = ReadSoundSettings(settings::OpenSettingsFile());
  layout_ = *LayoutForMusicMode(settings_.musicMode);
  const int error = file_.Create(settings_.fileName);
  if (error != 0) return HResultFromErrno(error);
  PublishSize();

  const double gain = static_cast<double>(settings_.volumeEx) / 50.0;
  const int encoderError = encoder_.Start(layout_, settings_.channel, gain, connectedInput_, &file_);
  if (encoderError != 0) {
    // The base does not stop a stream that failed to start: close the file here.
    file_.Close();
    return encoderError == ENOMEM ? E_OUTOFMEMORY : HResultFromErrno(encoderError);
  }
  timeline_.Reset(connectedInput_.sampleRate);
  streamError_ = S_OK;
  soundComplete_ = false;
  outputTypeChanged_ = false;
  return S_OK;
}

HRESULT AudioEncoderFilter::StopStreaming() {
  if (!file_.IsOpen()) {
    encoder_.Release();
    return S_OK;
  }
  HRESULT hr = CompleteSound(false);
  SoundHeader header;
  header.musicMode = static_cast<std::uint16_t>(settings_.musicMode);
  header.layout = layout_;
  header.frames = static_cast<std::uint32_t>(encoder_.WrittenFrames());
  header.dataBytes = static_cast<std::uint32_t>(file_.FileLength() - kSoundHeaderBytes);
  encoder_.Release();
  // Even after a failed write the header describes the data that is in the file.
  const int error = file_.Finish(EncodeSoundHeader(header));
  if (error != 0) {
    file_.Close();
    return HResultFromErrno(error);
  }
  PublishSize();
  return hr;
}

HRESULT AudioEncoderFilter::CompleteSound(bool playedOut) {
  if (soundComplete_ || !encoder_.Started()) return streamError_;
  soundComplete_ = true;
  if (streamError_ != S_OK) return streamError_;
  std::optional<std::uint64_t> totalFrames;
  // Only a segment that played out reaches its end; a stopped one ends with what it got.
  if (const auto end = timeline_.End(); end && playedOut) {
    totalFrames = static_cast<std::uint64_t>((std::max<Time100ns>(*end, 0) * layout_.sampleRate + kUnitsPerSecond / 2) /
                                             kUnitsPerSecond);
  }
  const int error = encoder_.Finish(totalFrames);
  if (error != 0) ReportWriteFailure(error);
  PublishSize();
  return streamError_;
}

void AudioEncoderFilter::PublishSize() {
  const std::uint64_t length = std::min<std::uint64_t>(file_.FileLength(), std::numeric_limits<std::int32_t>::max());
  SoundBytesWritten().store(static_cast<std::int32_t>(length), std::memory_order_relaxed);
}

// ---- the per-sample step ----

HRESULT AudioEncoderFilter::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  const HRESULT hr = EncodeSample(sample);
  if (FAILED(hr)) return hr;
  return PassDownstream(sample);
}

HRESULT AudioEncoderFilter::EncodeSample(IMediaSample* sample) {
  if (!encoder_.Started() && !soundComplete_) return E_UNEXPECTED;
  if (streamError_ != S_OK) return streamError_;
  // Preroll is not part of the presentation; after the end of stream nothing more belongs
  // to this sound.
  if (soundComplete_ || sample->IsPreroll() == S_OK) return S_OK;

  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr) return E_POINTER;
  const LONG length = std::clamp(sample->GetActualDataLength(), LONG{0}, sample->GetSize());
  const std::size_t frameBytes = static_cast<std::size_t>(connectedInput_.channels) * 2;
  const auto frames = static_cast<std::int64_t>(static_cast<std::size_t>(length) / frameBytes);

  const Placement placement = timeline_.Place(SampleStart(sample), frames);
  int error = encoder_.EncodeSilence(placement.silenceFrames);
  if (error == 0 && placement.keepFrames > 0) {
    // 16-bit samples in a buffer of bytes: copied into aligned storage only when misaligned.
    const BYTE* first = data + static_cast<std::size_t>(placement.skipFrames) * frameBytes;
    if (reinterpret_cast<std::uintptr_t>(first) % alignof(std::int16_t) == 0) {
      error = encoder_.Encode(reinterpret_cast<const std::int16_t*>(first), placement.keepFrames);
    } else {
      error = EINVAL;
    }
  }
  PublishSize();
  if (error != 0) ReportWriteFailure(error);
  return streamError_;
}

// The first failure of a stream is kept for every later sample and told to the graph (a full
// disk), so that the program driving it does not take the sound file as whole.
void AudioEncoderFilter::ReportWriteFailure(int error) {
  streamError_ = HResultFromErrno(error);
  NotifyEvent(EC_ERRORABORT, streamError_, 0);
}

HRESULT AudioEncoderFilter::PassDownstream(IMediaSample* in) {
  if (m_pOutput == nullptr || !m_pOutput->IsConnected()) return S_OK;
  BYTE* data = nullptr;
  if (FAILED(in->GetPointer(&data)) || data == nullptr) return E_POINTER;
  const LONG length = std::clamp(in->GetActualDataLength(), LONG{0}, in->GetSize());
  const LONG frameBytes = static_cast<LONG>(connectedInput_.channels) * 2;
  if (length == 0) return S_OK;
  const std::optional<Time100ns> start = SampleStart(in);

  LONG offset = 0;
  do {
    IMediaSample* raw = nullptr;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(&raw, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    ComPtr<IMediaSample> out = ComPtr<IMediaSample>::Attach(raw);
    BYTE* target = nullptr;
    out->GetPointer(&target);
    const LONG room = out->GetSize() / frameBytes * frameBytes;
    if (room <= 0) return VFW_E_BUFFER_OVERFLOW;
    const LONG piece = std::min(length - offset, room);
    if (piece > 0) std::memcpy(target, data + offset, static_cast<std::size_t>(piece));
    out->SetActualDataLength(piece);
    if (start) {
      const auto timeAt = [&](LONG byte) {
        return *start + static_cast<Time100ns>(byte / frameBytes) * kUnitsPerSecond / connectedInput_.sampleRate;
      };
      REFERENCE_TIME pieceStart = timeAt(offset);
      REFERENCE_TIME pieceStop = timeAt(offset + piece);
      out->SetTime(&pieceStart, &pieceStop);
    }
    out->SetSyncPoint(TRUE);
    out->SetPreroll(in->IsPreroll() == S_OK);
    out->SetDiscontinuity(offset == 0 && in->IsDiscontinuity() == S_OK);
    if (outputTypeChanged_) {
      CMediaType type(m_pInput->CurrentMediaType());
      out->SetMediaType(&type);
      outputTypeChanged_ = false;
    }
    hr = m_pOutput->Deliver(out.Get());
    if (hr != S_OK) return hr;
    offset += piece;
  } while (offset < length);
  return S_OK;
}

HRESULT AudioEncoderFilter::EndOfStream() {
  // The receive lock is held: no sample is in hand.
  const HRESULT hr = CompleteSound(true);
  const HRESULT delivered = CTransformFilter::EndOfStream();
  return FAILED(hr) ? hr : delivered;
}

HRESULT AudioEncoderFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  {
    CAutoLock lock(&m_csReceive);
    if (encoder_.Started() && !soundComplete_) {
      std::optional<Time100ns> length;
      if (stop != MAX_TIME && stop > start && rate > 0.0) {
        const double units = (static_cast<double>(stop) - static_cast<double>(start)) / rate;
        if (units <= static_cast<double>(kLongestKnownSegment)) length = static_cast<Time100ns>(units);
      }
      timeline_.StartSegment(length);
    }
  }
  return CTransformFilter::NewSegment(start, stop, rate);
}

}  // namespace tarn::aud
