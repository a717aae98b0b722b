// What a conversion run reports as it goes, for a front end that shows more than the controls
// do (the command line prints every segment, and the tests look at each stream start).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "converter/engine/output_names.h"
#include "converter/engine/title_entry.h"

namespace tarn::conv {

struct SegmentInfo {
  std::size_t titlePosition = 0;  // in the work list
  int titleNumber = 0;            // on its disc
  unsigned firstChapter = 0;
  unsigned chapterCount = 0;
  OutputNames names;
  int number = 0;  // the segment's place in its run, from 1
  int count = 0;   // segments the run plans, when it begins
};

enum class SegmentEnd {
  PlayedOut,    // the navigator stopped by itself at the segment's end
  SizeLimit,    // the size poll stopped it
  Aborted,      // the user aborted, or the application is quitting
  NotPlayed,    // the navigator refused to play the chapters
  WriteFailed,  // an encoder could not write its file (a full disk): not converted, the run stops
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A conversion run begins: the chapters its segments play, all titles together.
  virtual void RunPlanned(unsigned /*chapters*/) {}
  // Files of the names the running number made were there already: the number moved on
  // `passed` times to the segment's names.
  virtual void NamesPassed(const SegmentInfo& /*segment*/, int /*passed*/) {}
  // The graph has left the stopped state: the encoders have read the settings file and opened
  // the segment's files.
  virtual void SegmentStarted(const SegmentInfo& /*segment*/) {}
  // Each size poll: seconds since the segment started, the KiB written so far and the chapter
  // the navigator is in.
  virtual void Progress(const SegmentInfo& /*segment*/, std::int64_t /*seconds*/, std::int64_t /*kib*/,
                        unsigned /*chapter*/) {}
  // The segment's result has been recorded in its title's entry.
  virtual void SegmentEnded(const SegmentInfo& /*segment*/, SegmentEnd /*how*/, const ChapterResult& /*result*/) {}
};

}  // namespace tarn::conv
