#include "converter/engine/run_estimate.h"

#include <algorithm>

namespace tarn::conv {

void RunEstimate::Planned(unsigned chapters, Clock::time_point now) {
  planned_ = chapters;
  segmentsDone_ = finished_ = 0;
  start_ = chapterStart_ = now;
}

void RunEstimate::At(const SegmentInfo& segment, unsigned chapter, Clock::time_point now) {
  if (segment.chapterCount == 0) return;
  const unsigned inSegment = chapter > segment.firstChapter ? chapter - segment.firstChapter : 0;
  Finished(segmentsDone_ + std::min(inSegment, segment.chapterCount - 1), now);
}

void RunEstimate::SegmentEnded(const SegmentInfo& segment, Clock::time_point now) {
  segmentsDone_ += segment.chapterCount;
  Finished(segmentsDone_, now);
}

void RunEstimate::Finished(unsigned chapters, Clock::time_point now) {
  chapters = std::min(chapters, planned_);
  if (chapters <= finished_) return;
  finished_ = chapters;
  chapterStart_ = now;
}

std::optional<std::chrono::seconds> RunEstimate::TimeLeft(Clock::time_point now) const {
  if (finished_ == 0 || planned_ == 0) return std::nullopt;
  const auto perChapter = (chapterStart_ - start_) / finished_;
  const auto left = perChapter * (planned_ - finished_) - (now - chapterStart_);
  return std::chrono::ceil<std::chrono::seconds>(std::max(left, Clock::duration::zero()));
}

}  // namespace tarn::conv
