// Follows the frame gate of the filter a decoder delivers to (ITarnFrameGate on the connected
// input pin), so that the decoder can leave out pictures the gate would discard anyway, and has
// the pictures the gate keeps prepared as they are sent on where that filter offers it
// (ITarnPrepareAhead).
//
// The follower takes the gate's state while nothing is on its way to it (the first picture
// of a stream or after a flush) and then admits every timed picture the decoder sends on,
// in the order it sends them, as the gate will. Downstream of a filter without the
// interface it never answers that a picture is discarded.
#pragma once

#include "media/com/ComPtr.h"
#include "media/dshow/FrameGate.h"
#include "media/dshow/Interfaces.h"
#include "media/dshow/PrepareAhead.h"

#include <atomic>
#include <cstdint>
#include <optional>

namespace tarn::platform {

class FrameGateFollower {
 public:
  // The gate's state is taken again before the next picture (a new stream, after a flush).
  void Forget();
  // Takes the gate's state from `connected` unless already taken since the last Forget.
  void Follow(IPin* connected);
  // A picture starting at `start` goes downstream.
  void Sent(REFERENCE_TIME start);
  // The sample of the picture sent last, filled and timed, is about to be delivered: the filter
  // downstream prepares it now if its gate will keep it.
  void PrepareSent(IMediaSample* sample) const;
  // True when a picture starting at `start`, sent next, would certainly be discarded.
  bool Discards(REFERENCE_TIME start) const { return gate_ && gate_->Discards(start); }

  // Pictures left out since the follower was made; read from any thread.
  void CountSkipped() { skipped_.fetch_add(1, std::memory_order_relaxed); }
  std::uint64_t Skipped() const { return skipped_.load(std::memory_order_relaxed); }
  // Pictures sent on without their contents, the gate discarding them unread.
  void CountUnconverted() { unconverted_.fetch_add(1, std::memory_order_relaxed); }
  std::uint64_t Unconverted() const { return unconverted_.load(std::memory_order_relaxed); }

 private:
  bool followed_ = false;
  std::optional<tarn::media::FrameGate> gate_;
  ComPtr<ITarnPrepareAhead> prepare_;
  bool sentKept_ = false;
  std::atomic<std::uint64_t> skipped_{0};
  std::atomic<std::uint64_t> unconverted_{0};
};

}  // namespace tarn::platform
