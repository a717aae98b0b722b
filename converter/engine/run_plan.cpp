#include "converter/engine/run_plan.h"

#include <algorithm>

#include "converter/settings/converter_settings.h"

namespace tarn::conv {

std::vector<Segment> PlanSegments(const ChapterFlags& flags, unsigned titleChapters, unsigned firstChapter, bool join) {
  const unsigned last = std::min<unsigned>(titleChapters, kMaxChapters);
  auto ticked = [&flags](unsigned chapter) { return flags[chapter - 1] == 1; };
  std::vector<Segment> segments;
  for (unsigned k = std::max(firstChapter, 1u); k <= last; ++k) {
    if (!ticked(k)) continue;
    Segment segment{k, 1};
    if (join) {
      while (k + 1 <= last && ticked(k + 1)) {
        ++k;
        ++segment.chapterCount;
      }
    }
    segments.push_back(segment);
  }
  return segments;
}

std::optional<RunSwitches> ReadRunSwitches(const settings::ProfileFile& profile, RunKind kind) {
  namespace keys = settings::keys;
  const bool preview = kind == RunKind::Preview;
  const auto batch =
      settings::ReadNumber(profile, preview ? keys::kBatch.WithDefault(keys::kPreviewBatchConDefault) : keys::kBatch);
  const auto join =
      settings::ReadNumber(profile, preview ? keys::kCon.WithDefault(keys::kPreviewBatchConDefault) : keys::kCon);
  auto isSwitch = [](std::int32_t value) { return value == 0 || value == 1; };
  if (!isSwitch(batch) || !isSwitch(join)) return std::nullopt;
  return RunSwitches{batch == 1, join == 1};
}

namespace {

bool Flagged(const TitleSelection& selection, std::size_t position) {
  return selection.titleFlags != nullptr && position < kMaxTitles && (*selection.titleFlags)[position] == 1;
}

bool InList(const TitleSelection& selection, int position) {
  return position >= 0 && static_cast<std::size_t>(position) < selection.titleCount;
}

}  // namespace

std::vector<TitleStep> PlanTitles(const TitleSelection& selection, RunSwitches switches, RunKind kind,
                                  std::size_t startTitle, unsigned startChapter) {
  if (kind == RunKind::Preview) {
    startTitle = 1;
    startChapter = 1;
  }
  std::vector<TitleStep> steps;
  if (!switches.batch) {
    if (!InList(selection, selection.displayedPosition) || !InList(selection, selection.selectedPosition)) {
      return steps;
    }
    const bool byCheckBox = switches.join || kind == RunKind::Preview;
    const bool chosen = byCheckBox ? selection.displayedChecked
                                   : Flagged(selection, static_cast<std::size_t>(selection.displayedPosition));
    if (chosen) steps.push_back({static_cast<std::size_t>(selection.selectedPosition), startChapter});
    return steps;
  }
  const std::size_t first = std::max<std::size_t>(startTitle, 1) - 1;
  for (std::size_t p = first; p < selection.titleCount; ++p) {
    if (Flagged(selection, p)) steps.push_back({p, p == first ? startChapter : 1u});
  }
  return steps;
}

}  // namespace tarn::conv
