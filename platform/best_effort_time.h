// The time libavcodec gives a decoded picture as its best-effort timestamp, worked out beside
// the decoder: the picture's own time while those have run forwards at least as steadily as
// the decoding times, else the decoding time. Kept here so that a reader that leaves pictures
// undecoded can still count them, and the pictures after them get the times they would have had.
#pragma once

#include <cstdint>
#include <limits>

namespace tarn::platform {

class BestEffortTime {
 public:
  // A decoder just opened.
  void Reset() { *this = BestEffortTime(); }
  // After a flush the decoder forgets the last times, not the counts of faulty ones.
  void ForgetLast() { lastPts_ = lastDts_ = kUnset; }
  // The time of a picture with presentation time `pts` and decoding time `dts` (either may be
  // absent: kNoTime), counted as decoded.
  std::int64_t Next(std::int64_t pts, std::int64_t dts);

  // FFmpeg's "no time" value.
  static constexpr std::int64_t kNoTime = std::numeric_limits<std::int64_t>::min();

 private:
  static constexpr std::int64_t kUnset = std::numeric_limits<std::int64_t>::min();
  std::int64_t faultyPts_ = 0;
  std::int64_t faultyDts_ = 0;
  std::int64_t lastPts_ = kUnset;
  std::int64_t lastDts_ = kUnset;
};

}  // namespace tarn::platform
