// The state of the main window's runs: the flags through which handlers running inside a run's
// event loop talk back to the run, where the run stands, and where a stopped run resumes.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "converter/engine/run_plan.h"

namespace tarn::conv {

struct RunState {
  bool segmentDone = false;     // the playing segment is over (played out, limit, abort)
  bool abortRequested = false;  // the user aborted, or the application is quitting
  bool limitReached = false;    // the size poll stopped the last segment
  bool previewStop = false;     // the user stopped a preview
  bool runFinished = false;     // a run started by Convert has returned; cleared only when one is refused

  std::size_t currentTitlePosition = 0;  // list position of the title playing
  unsigned currentChapterIndex = 0;      // first chapter of the segment, 0-based
  unsigned currentChapterNumber = 0;     // first chapter of the segment, 1-based
  std::chrono::steady_clock::time_point segmentStart{};

  std::size_t resumeTitle = 1;  // 1-based list position where "continue" starts
  unsigned resumeChapter = 1;   // chapter number where "continue" starts

  std::string currentSizeText = "0";  // KiB written so far in the segment
  RunSwitches switches;               // Batch and Con as the run read them

  int segmentsConverted = 0;   // segments of the last Convert run that played out
  bool quitRequested = false;  // a run ended because the application is quitting; never cleared
  bool quitPending = false;    // ... and that request is still to be handed on
};

}  // namespace tarn::conv
