// Which titles a run visits, from which chapter, and how a title's ticked chapters are cut into
// segments: each one a separate file pair, or with join each run of consecutive ticked chapters.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "converter/engine/title_entry.h"
#include "base/profile_file.h"

namespace tarn::conv {

// Chapters one segment plays: `chapterCount` chapters from `firstChapter` (1-based).
struct Segment {
  unsigned firstChapter = 0;
  unsigned chapterCount = 0;

  bool operator==(const Segment&) const = default;
};

// The segments of a title from `firstChapter` on, in playing order. Chapters beyond
// `titleChapters` (or beyond the table) are never played.
std::vector<Segment> PlanSegments(const ChapterFlags& flags, unsigned titleChapters, unsigned firstChapter, bool join);

struct RunSwitches {
  bool batch = false;  // every ticked title of the list, not only the displayed one
  bool join = false;   // consecutive ticked chapters into one file pair
};

enum class RunKind { Conversion, Preview };

// Batch and Con from the settings file; absent they are 0 for a conversion and 1 for a preview.
// Only 0 and 1 start a run: any other value gives nullopt.
std::optional<RunSwitches> ReadRunSwitches(const settings::ProfileFile& profile, RunKind kind);

// What a run needs to know of the title list.
struct TitleSelection {
  std::size_t titleCount = 0;
  const std::array<std::uint8_t, kMaxTitles>* titleFlags = nullptr;
  int selectedPosition = -1;
  int displayedPosition = -1;
  bool displayedChecked = false;  // the displayed title's check box
};

// One title of a run: its list position and the chapter its segments start from.
struct TitleStep {
  std::size_t position = 0;
  unsigned firstChapter = 1;

  bool operator==(const TitleStep&) const = default;
};

// The titles a run converts, in order. `startTitle` is a 1-based list position and `startChapter`
// a chapter number: (1, 1) for a fresh run, the resume point when continuing after the size limit.
// A single-title run converts the selected title when the displayed one is chosen (its check box
// with join or in a preview, else its title flag); a batch visits every flagged title from the
// start title on, the first from the start chapter and the rest from chapter 1. A preview always
// starts at (1, 1).
std::vector<TitleStep> PlanTitles(const TitleSelection& selection, RunSwitches switches, RunKind kind,
                                  std::size_t startTitle, unsigned startChapter);

}  // namespace tarn::conv
