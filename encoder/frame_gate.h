// The encoder's 10-frames-per-second gate on stream time (the rule is media::FrameGate's).
#pragma once

#include "media/dshow/FrameGate.h"

namespace tarn::venc {

class FrameGate : public tarn::media::FrameGate {
 public:
  static constexpr REFERENCE_TIME kFrameStep = 1'000'000;  // 100 ms

  FrameGate() : tarn::media::FrameGate(kFrameStep) {}

  REFERENCE_TIME NextFrameTime() const { return Grid(); }
};

}  // namespace tarn::venc
