// What the command line prints of a run: one line per segment as the chapter list shows it
// (chapter, conversion time, movie file, KiB), a progress line on a terminal, and the tally the
// exit status is made from.
#pragma once

#include <ostream>

#include "converter/engine/run_observer.h"

namespace tarn::conv {

class SegmentReport final : public RunObserver {
 public:
  SegmentReport(std::ostream& out, bool progressLine) : out_(out), progressLine_(progressLine) {}

  void NamesPassed(const SegmentInfo& segment, int passed) override;
  void Progress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib) override;
  void SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) override;

  int Converted() const { return converted_; }  // played out into a movie file
  int Failed() const { return failed_; }        // not played, or no movie file

 private:
  void ClearProgress();

  std::ostream& out_;
  bool progressLine_;
  bool progressShown_ = false;
  int converted_ = 0;
  int failed_ = 0;
};

// "标题[01] 章节[002]" and, for a joined segment, the chapters it covers.
std::string SegmentLabel(const SegmentInfo& segment);

}  // namespace tarn::conv
