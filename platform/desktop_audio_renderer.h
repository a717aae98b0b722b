// "Desktop Audio Renderer": plays PCM through the desktop's sound server, each sample when its
// time comes on the graph's clock. The converter puts it into the preview graph only; the
// graph builder never brings it in by itself, so conversions end their sound at the silent
// "Audio Renderer" and run as fast as their filters allow.
//
// Samples are taken at their time whether or not a server plays them: where no server is
// reachable the preview runs at the same pace, silently. Waiting for a sample's time is the
// only wait on the streaming thread; stopping, pausing and flushing end it at once. A paused
// renderer holds the sample in hand until the graph runs again and corks the server's stream,
// so the sound stops promptly.
//
// Each run of chapters starts its times at 0 again while the preview graph keeps running: a
// sample more than a moment late moves the renderer's time base so that it is due now.
#pragma once

#include "media/com/ComPtr.h"
#include "platform/media_formats.h"
#include "platform/platform_interfaces.h"
#include "platform/pulse_playback.h"
#include "platform/renderer_base.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

namespace tarn::platform {

class DesktopAudioRenderer final : public RendererFilter {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit DesktopAudioRenderer(IUnknown* outer);
  ~DesktopAudioRenderer() override;

  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  void OnMediaType(const CMediaType& mediaType) override;
  HRESULT RenderSample(IMediaSample* sample) override;

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;

  HRESULT SetSoundSink(ITarnSoundSink* sink);
  // Bytes taken since the filter was made, played or not.
  LONGLONG BytesRendered() const { return bytes_.load(); }

  // How long before its time a sample is handed on, so that the server's buffer is filled when
  // the sample is due.
  static constexpr REFERENCE_TIME kLead = 150 * 10'000;
  // A sample later than this re-bases the renderer's time.
  static constexpr REFERENCE_TIME kLateLimit = 1000 * 10'000;

 private:
  class SoundOutput final : public ITarnSoundOutput {
   public:
    explicit SoundOutput(DesktopAudioRenderer& renderer) : renderer_(renderer) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return renderer_.GetOwner()->QueryInterface(riid, ppv); }
    ULONG AddRef() override { return renderer_.GetOwner()->AddRef(); }
    ULONG Release() override { return renderer_.GetOwner()->Release(); }
    HRESULT SetSoundSink(ITarnSoundSink* sink) override { return renderer_.SetSoundSink(sink); }

   private:
    DesktopAudioRenderer& renderer_;
  };

  enum class Phase { Stopped, Paused, Running };

  void OnBeginFlush() override;
  // Waits until the sample is due; false when a stop or a flush came first.
  bool WaitUntilDue(REFERENCE_TIME start);
  // Hands the PCM to the sink, or to the server as its buffer makes room (until a stop or a
  // flush).
  void Play(std::span<const std::uint8_t> pcm, REFERENCE_TIME start);
  void WriteToServer(std::span<const std::uint8_t> pcm, std::uint64_t generation);

  SoundOutput output_{*this};
  std::mutex mutex_;
  std::condition_variable changed_;
  Phase phase_ = Phase::Stopped;
  ComPtr<IReferenceClock> clock_;  // the graph's clock while paused or running
  REFERENCE_TIME runStart_ = 0;
  REFERENCE_TIME offset_ = 0;     // added to sample times: the time base of the current run of chapters
  std::uint64_t generation_ = 0;  // counts stops and flushes; a wait ends when it moves
  std::optional<PcmFormat> format_;
  bool reopenServer_ = false;  // the type changed while streaming
  ComPtr<ITarnSoundSink> sink_;
  std::mutex serverMutex_;  // the graph's thread and the streaming thread both reach the server
  PulsePlayback server_;
  std::atomic<LONGLONG> bytes_{0};
};

}  // namespace tarn::platform
