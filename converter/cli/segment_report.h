// What the command line prints of a run: one line per segment (chapter, conversion time, movie
// file, KiB), a progress line on a terminal (chapter n of m, percent of the run, time left),
// a summary at the end, and the tally the exit status is made from.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "converter/engine/run_estimate.h"
#include "converter/engine/run_observer.h"

namespace tarn::conv {

enum class Detail { Quiet, Normal, Verbose };

class SegmentReport final : public RunObserver {
 public:
  // `progressColumns`: the terminal's width for the progress line, 0 for none.
  SegmentReport(std::ostream& out, std::size_t progressColumns, Detail detail = Detail::Normal)
      : out_(out), progressColumns_(progressColumns), detail_(detail) {}

  // With several sources each segment is named after its title's source too: `sourceOfTitle`
  // holds the source of each title of the work list, by position.
  void NameSources(std::vector<std::string> sourceOfTitle) { sourceOfTitle_ = std::move(sourceOfTitle); }

  void RunPlanned(unsigned chapters) override;
  void NamesPassed(const SegmentInfo& segment, int passed) override;
  void Progress(const SegmentInfo& segment, std::int64_t seconds, std::int64_t kib, unsigned chapter) override;
  void SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) override;

  // "2 segments converted: 4 files, 3.1 MiB in 00:00:04, 12.5 times real time".
  void PrintSummary();

  int Converted() const { return converted_; }  // played out into a movie file
  int Failed() const { return failed_; }        // not played, or no movie file

 private:
  void ClearProgress();
  std::string Label(const SegmentInfo& segment, bool shortSource = false) const;
  double RunSeconds() const;

  std::ostream& out_;
  std::size_t progressColumns_;
  Detail detail_;
  bool progressShown_ = false;
  int converted_ = 0;
  int failed_ = 0;
  unsigned plannedChapters_ = 0;
  unsigned chaptersDone_ = 0;
  std::chrono::steady_clock::time_point runStart_ = std::chrono::steady_clock::now();
  RunEstimate estimate_;              // the time left, from the pace of the chapters finished
  std::vector<std::string> written_;  // the files of the segments, counted at the end
  std::vector<std::string> sourceOfTitle_;
};

// "title 01 chapter 002" (in the user's language), after the source when one is given, and, for a
// joined segment, the chapters it covers.
std::string SegmentLabel(const SegmentInfo& segment, std::string_view source = {});

// The text cut to fit `columns` terminal columns with one to spare (wide CJK characters take
// two), so that a rewritten line never wraps.
std::string FitToColumns(const std::string& text, std::size_t columns);

// The seconds of sound a finished sound file holds, 0 for any other file.
double SoundFileSeconds(const std::string& path);

}  // namespace tarn::conv
