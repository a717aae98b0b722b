// The gate that keeps one frame per step of stream time, and the interface through which a
// filter upstream of such a gate learns its rule and state.
//
// The grid is anchored at the first kept frame and moves one step per kept frame, never to
// the frame's own time: after a forward jump every frame passes until the grid catches up,
// after a backward jump every frame is dropped until the times reach the grid again. A grid
// point of 0 counts as unset, so a stream starting at time 0 keeps its first two frames.
//
// A discarded frame never moves the grid, and a kept one only moves it forward. So a filter
// upstream that starts from the gate's state and admits, in the same order, every timed frame
// it sends on, holds the state the gate will have when the next frame arrives, and can leave
// out a frame the gate would discard without changing what the gate keeps.
#pragma once

#include "media/com/Unknown.h"
#include "media/dshow/Structures.h"

namespace tarn::media {

class FrameGate {
 public:
  explicit FrameGate(REFERENCE_TIME step, REFERENCE_TIME grid = 0) : step_(step), grid_(grid) {}

  void Reset() { grid_ = 0; }

  // True when a frame starting at `start` is kept.
  bool Admit(REFERENCE_TIME start) {
    if (grid_ == 0) {
      grid_ = start;
      return true;
    }
    const REFERENCE_TIME next = NextGridPoint();
    if (start < next) return false;
    grid_ = next;
    return true;
  }

  // True when a frame starting at `start` would be discarded now and after any frames the
  // gate may admit first. A negative grid may step onto 0, which counts as unset and keeps
  // anything: only a positive grid answers for the frames that follow.
  bool Discards(REFERENCE_TIME start) const { return grid_ > 0 && start < NextGridPoint(); }

  REFERENCE_TIME Step() const { return step_; }
  REFERENCE_TIME Grid() const { return grid_; }

 private:
  // Saturates instead of overflowing on nonsense times near the end of the time range.
  REFERENCE_TIME NextGridPoint() const { return grid_ > MAX_TIME - step_ ? MAX_TIME : grid_ + step_; }

  REFERENCE_TIME step_;
  REFERENCE_TIME grid_;
};

}  // namespace tarn::media

// Offered by the input pin of a filter that keeps frames through a FrameGate; found with
// QueryInterface on the pin an output pin is connected to.
struct ITarnFrameGate : IUnknown {
  static constexpr IID kIid{0x5B0C7A1E, 0x4F2D, 0x4C8B, {0x9E, 0x31, 0x6A, 0x7D, 0x02, 0xB4, 0xC5, 0x18}};
  // The gate's step and its grid as the last frame it received left it (0: unset). Read while
  // no frame is on its way to the gate (at the start of a stream, after a flush), it is the
  // state the next frame meets; read later it lags behind, which only admits more.
  virtual HRESULT GetFrameGate(REFERENCE_TIME* step, REFERENCE_TIME* grid) = 0;
};
inline constexpr IID IID_ITarnFrameGate = ITarnFrameGate::kIid;
