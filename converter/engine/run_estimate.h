// How far a run is, counted in chapters (the navigator knows no title's length), and the time it
// still needs: the pace of the chapters finished so far applied to those still to come, less
// the time the current one has run. There is no estimate before the first chapter is finished,
// when any guess would be wild; within a chapter it only counts down.
#pragma once

#include <chrono>
#include <optional>

#include "converter/engine/run_observer.h"

namespace tarn::conv {

class RunEstimate {
 public:
  using Clock = std::chrono::steady_clock;

  // A run (or its continuation after a limit stop) begins with `chapters` to convert.
  void Planned(unsigned chapters, Clock::time_point now);
  // The navigator plays chapter `chapter` of its title inside `segment`.
  void At(const SegmentInfo& segment, unsigned chapter, Clock::time_point now);
  void SegmentEnded(const SegmentInfo& segment, Clock::time_point now);

  std::optional<std::chrono::seconds> TimeLeft(Clock::time_point now) const;

 private:
  void Finished(unsigned chapters, Clock::time_point now);

  unsigned planned_ = 0;
  unsigned segmentsDone_ = 0;  // chapters of the segments ended
  unsigned finished_ = 0;      // chapters finished, the current segment's included
  Clock::time_point start_{};
  Clock::time_point chapterStart_{};
};

}  // namespace tarn::conv
