// EncoderClock: a reference clock driven by the frames the encoder keeps rather than by the
// wall clock, so that a conversion runs as fast as the machine allows.
//
// Every reading moves the time on by 100 ms before the first frame of a stream and by 10 ms
// after it; every kept frame then tops the time up to at least 100 ms past its value at the
// previous kept frame.
#pragma once

#include "media/base/ReferenceClock.h"

namespace tarn::venc {

class EncoderClock final : public CBaseReferenceClock {
 public:
  static constexpr REFERENCE_TIME kStepBeforeFrames = 1'000'000;
  static constexpr REFERENCE_TIME kStepAfterFrames = 100'000;
  static constexpr REFERENCE_TIME kFrameStep = 1'000'000;
  static constexpr REFERENCE_TIME kOverdueTopUp = 1'000;

  // `owner` receives the clock's IUnknown calls (the filter that holds it).
  EncoderClock(IUnknown* owner, HRESULT* phr);
  ~EncoderClock() override;

  REFERENCE_TIME GetPrivateTime() override;

  // Called for each kept frame: brings the time up to 100 ms past the last kept frame, or on
  // by 0.1 ms when the readings since then already moved it that far.
  void TopUpForKeptFrame();

  // The time without moving it, for inspection.
  REFERENCE_TIME PeekTime();

 private:
  REFERENCE_TIME time_;         // T, only ever increased
  REFERENCE_TIME pending_ = 0;  // P: what readings added since the last kept frame
};

}  // namespace tarn::venc
