// One output of the DVD navigator: the video, audio or subpicture elementary stream, one packet
// per sample, delivered by the navigator's playback thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

#include "media/base/BaseOutputPin.h"

namespace tarn::navigator {

class DvdNavigator;

enum class NavigatorStream { kVideo, kAudio, kSubpicture };

class NavigatorOutputPin final : public CBaseOutputPin {
 public:
  NavigatorOutputPin(DvdNavigator* navigator, CCritSec* lock, NavigatorStream stream, HRESULT* phr);

  NavigatorStream stream() const { return stream_; }

  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Active() override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;

  // The stream changes its format while connected (a later title's audio in another codec):
  // the next sample carries the new type, and the connection has it from then on. Playback
  // thread only; the filter graph may read the connection type meanwhile.
  void ChangeType(const CMediaType& type);

  // Copies one packet (with `prefix` bytes before it) into a sample; no time when `time` is
  // empty. S_OK also when the pin is not connected. Playback thread only.
  HRESULT DeliverPacket(std::span<const uint8_t> prefix, std::span<const uint8_t> data, std::optional<int64_t> time);
  // End of stream downstream once per run.
  HRESULT EndRun();

 private:
  DvdNavigator* const navigator_;
  const NavigatorStream stream_;
  bool discontinuity_ = true;
  bool ended_ = false;
  std::optional<CMediaType> pendingType_;
  std::mutex typeMutex_;  // the connection type, changed while streaming
};

}  // namespace tarn::navigator
