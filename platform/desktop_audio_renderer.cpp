#include "platform/desktop_audio_renderer.h"

#include "platform/platform_ids.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>

namespace tarn::platform {
namespace {

// A wait for a sample's time looks at the clock again at least this often (100 ns units).
constexpr REFERENCE_TIME kLongestWait = 100 * 10'000;
// How long a server that takes nothing may hold a sample before it is dropped.
constexpr auto kRoomWait = std::chrono::milliseconds(500);
constexpr auto kRoomPoll = std::chrono::milliseconds(5);

std::chrono::microseconds ToMicroseconds(REFERENCE_TIME time) { return std::chrono::microseconds(time / 10); }

}  // namespace

CUnknown* DesktopAudioRenderer::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) DesktopAudioRenderer(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

DesktopAudioRenderer::DesktopAudioRenderer(IUnknown* outer)
    : RendererFilter(L"Desktop audio renderer", outer, kDesktopAudioRendererClsid) {}

DesktopAudioRenderer::~DesktopAudioRenderer() {
  std::lock_guard serverLock(serverMutex_);
  server_.Close();
}

HRESULT DesktopAudioRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_ITarnSoundOutput) return GetInterface(static_cast<ITarnSoundOutput*>(&output_), ppv);
  return RendererFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT DesktopAudioRenderer::CheckMediaType(const CMediaType* mediaType) {
  const auto format = PcmFormatOf(*mediaType);
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  const WORD bits = format->bitsPerSample;
  return bits == 8 || bits == 16 || bits == 24 || bits == 32 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void DesktopAudioRenderer::OnMediaType(const CMediaType& mediaType) {
  std::lock_guard lock(mutex_);
  format_ = PcmFormatOf(mediaType);
  // A type that changes while streaming is taken up by the next sample.
  reopenServer_ = phase_ != Phase::Stopped;
}

HRESULT DesktopAudioRenderer::SetSoundSink(ITarnSoundSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = ComPtr<ITarnSoundSink>(sink);
  return S_OK;
}

HRESULT DesktopAudioRenderer::Pause() {
  const bool fromStopped = IsStopped();
  const HRESULT hr = RendererFilter::Pause();
  if (FAILED(hr)) return hr;
  ComPtr<IReferenceClock> clock;
  GetSyncSource(clock.ReleaseAndGetAddressOf());
  std::optional<PcmFormat> serverFormat;
  {
    std::lock_guard lock(mutex_);
    phase_ = Phase::Paused;
    clock_ = clock;
    if (fromStopped && !sink_) serverFormat = format_;
    reopenServer_ = false;
  }
  changed_.notify_all();
  std::lock_guard serverLock(serverMutex_);
  // The connection is made in the background: the first samples find it ready or are silent.
  if (serverFormat) server_.Open(*serverFormat);
  server_.SetPaused(true);
  return hr;
}

HRESULT DesktopAudioRenderer::Run(REFERENCE_TIME start) {
  const HRESULT hr = RendererFilter::Run(start);
  if (FAILED(hr)) return hr;
  {
    std::lock_guard lock(mutex_);
    phase_ = Phase::Running;
    runStart_ = start;
  }
  changed_.notify_all();
  std::lock_guard serverLock(serverMutex_);
  server_.SetPaused(false);
  return hr;
}

HRESULT DesktopAudioRenderer::Stop() {
  {
    std::lock_guard lock(mutex_);
    phase_ = Phase::Stopped;
    ++generation_;
  }
  changed_.notify_all();
  // Waits for the sample in hand, which the stop has just released.
  const HRESULT hr = RendererFilter::Stop();
  {
    std::lock_guard serverLock(serverMutex_);
    server_.Close();
  }
  std::lock_guard lock(mutex_);
  clock_.Reset();
  offset_ = 0;
  return hr;
}

void DesktopAudioRenderer::OnBeginFlush() {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
  }
  changed_.notify_all();
  std::lock_guard serverLock(serverMutex_);
  server_.Discard();
}

HRESULT DesktopAudioRenderer::RenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr) return E_POINTER;
  const LONG length = sample->GetActualDataLength();
  if (length <= 0) return S_OK;
  REFERENCE_TIME start = 0, stop = 0;
  // An untimed sample is due at once.
  if (SUCCEEDED(sample->GetTime(&start, &stop)) && !WaitUntilDue(start)) return S_OK;
  bytes_ += length;
  Play(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)), start);
  return S_OK;
}

bool DesktopAudioRenderer::WaitUntilDue(REFERENCE_TIME start) {
  std::unique_lock lock(mutex_);
  const std::uint64_t generation = generation_;
  bool based = false;
  for (;;) {
    if (phase_ == Phase::Stopped || generation_ != generation) return false;
    if (phase_ == Phase::Paused) {
      changed_.wait(lock);
      continue;
    }
    REFERENCE_TIME now = 0;
    if (!clock_ || FAILED(clock_->GetTime(&now))) return true;
    const REFERENCE_TIME streamNow = now - runStart_;
    if (!based) {
      if (start + offset_ < streamNow - kLateLimit) offset_ = streamNow - start;
      based = true;
    }
    const REFERENCE_TIME wait = start + offset_ - kLead - streamNow;
    if (wait <= 0) return true;
    changed_.wait_for(lock, ToMicroseconds(std::min(wait, kLongestWait)));
  }
}

void DesktopAudioRenderer::Play(std::span<const std::uint8_t> pcm, REFERENCE_TIME start) {
  ComPtr<ITarnSoundSink> sink;
  std::optional<PcmFormat> format;
  std::uint64_t generation = 0;
  bool reopen = false;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
    format = format_;
    generation = generation_;
    reopen = std::exchange(reopenServer_, false);
  }
  if (!format) return;
  if (sink) {
    sink->PlaySound(pcm.data(), static_cast<LONG>(pcm.size()), format->channels, format->sampleRate,
                    format->bitsPerSample, start);
    return;
  }
  if (reopen) {
    std::lock_guard serverLock(serverMutex_);
    server_.Open(*format);
  }
  WriteToServer(pcm, generation);
}

// Where no server plays, the bytes are dropped: the sample has been taken at its time all the same.
void DesktopAudioRenderer::WriteToServer(std::span<const std::uint8_t> pcm, std::uint64_t generation) {
  auto giveUpAt = std::chrono::steady_clock::now() + kRoomWait;
  while (!pcm.empty()) {
    std::size_t taken = 0;
    {
      std::lock_guard serverLock(serverMutex_);
      if (!server_.Ready()) return;
      taken = server_.Write(pcm);
    }
    pcm = pcm.subspan(taken);
    if (pcm.empty()) return;
    std::unique_lock lock(mutex_);
    if (phase_ == Phase::Stopped || generation_ != generation) return;
    const auto now = std::chrono::steady_clock::now();
    if (phase_ == Phase::Paused) {
      changed_.wait(lock);
      giveUpAt = std::chrono::steady_clock::now() + kRoomWait;
      continue;
    }
    if (taken > 0) giveUpAt = now + kRoomWait;
    // A server that has stopped taking sound does not hold the graph.
    if (now > giveUpAt) return;
    changed_.wait_for(lock, kRoomPoll);
  }
}

}  // namespace tarn::platform
