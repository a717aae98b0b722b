#include "encoder/encoder_clock.h"

#include <chrono>

#include "encoder/encoder_process_state.h"

namespace tarn::venc {
namespace {

// The system's millisecond tick count, which the clock takes as its first value in 100 ns
// units (so the clock starts near zero, not at the tick count's real time).
REFERENCE_TIME MillisecondTicks() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

EncoderClock::EncoderClock(IUnknown* owner, HRESULT* phr)
    : CBaseReferenceClock(L"Encoder clock", owner, phr), time_(MillisecondTicks()) {}

// The advise thread calls GetPrivateTime: stop it before the members go.
EncoderClock::~EncoderClock() { StopAdviseThread(); }

REFERENCE_TIME EncoderClock::GetPrivateTime() {
  CAutoLock lock(ClockLock());
  const REFERENCE_TIME step = FramesStarted().load(std::memory_order_relaxed) ? kStepAfterFrames : kStepBeforeFrames;
  time_ += step;
  pending_ += step;
  return time_;
}

void EncoderClock::TopUpForKeptFrame() {
  // Readers on other threads change the same two values, so the top-up takes the clock lock
  // too; without it a reading could be lost or the time could move backwards.
  CAutoLock lock(ClockLock());
  if (pending_ == 0) {
    time_ += kFrameStep;
  } else if (pending_ >= kFrameStep) {
    time_ += kOverdueTopUp;
  } else {
    time_ += kFrameStep - pending_;
  }
  pending_ = 0;
}

REFERENCE_TIME EncoderClock::PeekTime() {
  CAutoLock lock(ClockLock());
  return time_;
}

}  // namespace tarn::venc
