// The 10-frames-per-second gate on stream time.
//
// The grid is anchored at the first kept frame and moves one step per kept frame, never to
// the frame's own time: after a forward jump every frame passes until the grid catches up,
// after a backward jump every frame is dropped until the times reach the grid again. A grid
// point of 0 counts as unset, so a stream starting at time 0 keeps its first two frames.
#pragma once

#include "media/dshow/Structures.h"

namespace tarn::venc {

class FrameGate {
 public:
  static constexpr REFERENCE_TIME kFrameStep = 1'000'000;  // 100 ms

  void Reset() { next_ = 0; }

  // True when a frame starting at `start` is kept.
  bool Admit(REFERENCE_TIME start) {
    if (next_ == 0) {
      next_ = start;
      return true;
    }
    // Saturates instead of overflowing on nonsense times near the end of the time range.
    const REFERENCE_TIME grid = next_ > MAX_TIME - kFrameStep ? MAX_TIME : next_ + kFrameStep;
    if (start < grid) return false;
    next_ = grid;
    return true;
  }

  REFERENCE_TIME NextFrameTime() const { return next_; }

 private:
  REFERENCE_TIME next_ = 0;
};

}  // namespace tarn::venc
