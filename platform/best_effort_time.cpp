#include "platform/best_effort_time.h"

namespace tarn::platform {

std::int64_t BestEffortTime::Next(std::int64_t pts, std::int64_t dts) {
  // A time that does not move forwards counts against its kind; an absent one lets the other
  // kind stand in as the last seen.
  if (dts != kNoTime) {
    faultyDts_ += dts <= lastDts_ ? 1 : 0;
    lastDts_ = dts;
  } else if (pts != kNoTime) {
    lastDts_ = pts;
  }
  if (pts != kNoTime) {
    faultyPts_ += pts <= lastPts_ ? 1 : 0;
    lastPts_ = pts;
  } else if (dts != kNoTime) {
    lastPts_ = dts;
  }
  const bool ptsTrusted = faultyPts_ <= faultyDts_ || dts == kNoTime;
  return ptsTrusted && pts != kNoTime ? pts : dts;
}

}  // namespace tarn::platform
