// When the encoding thread shares a frame's analysis with its helper thread.
//
// With a processor for each thread of the graph (three or more), always. With two, the graph's
// decoding thread needs the second processor whenever it is the one behind: a helper woken
// then only takes turns with it (task switches, caches shared between decoding and analysis)
// and the run gets no faster. So the rows are shared only while the encoder is the one behind,
// which shows as the next sample waiting the moment the last one's work is done. The coded
// bits are the same either way.
#pragma once

#include <chrono>
#include <optional>

namespace tarn::venc {

class AnalysisSharing {
 public:
  using Clock = std::chrono::steady_clock;
  // A sample that arrives within this of the last one's end was waiting in the queue.
  static constexpr Clock::duration kWaitingSample = std::chrono::microseconds(50);

  explicit AnalysisSharing(int processors) : always_(processors > 2) {}

  // A new stream: nothing is known about the decoder yet.
  void Restart() { lastDone_.reset(); }
  // At a sample's arrival and at the end of its work.
  void SampleArrived(Clock::time_point now) { sharing_ = always_ || (lastDone_ && now - *lastDone_ <= kWaitingSample); }
  void SampleDone(Clock::time_point now) { lastDone_ = now; }

  // Whether the frame of the sample that arrived last shares its rows.
  bool Shares() const { return sharing_; }

 private:
  bool always_;
  bool sharing_ = false;
  std::optional<Clock::time_point> lastDone_;
};

}  // namespace tarn::venc
