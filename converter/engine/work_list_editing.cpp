#include "converter/engine/work_list_editing.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "converter/engine/entry_settings.h"

namespace tarn::conv {

namespace {

std::string Formatted(const char* format, long long number) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), format, number);
  return text.data();
}

void ListChapters(const CTitleEntry& entry, WorkList& list, ConverterControls& controls) {
  controls.ClearChapterRows();
  list.displayedChapterCount = std::min<unsigned>(entry.chapterCount, kMaxChapters);
  for (unsigned chapter = 1; chapter <= list.displayedChapterCount; ++chapter) {
    const int row = static_cast<int>(chapter - 1);
    controls.AppendChapterRow(ChapterRowText(chapter), list.chapterFlags[chapter - 1] == 1);
    const ChapterResult& result = entry.results[chapter - 1];
    controls.SetChapterCell(row, ChapterColumn::Elapsed, result.elapsed);
    controls.SetChapterCell(row, ChapterColumn::File, result.movieFile);
    controls.SetChapterCell(row, ChapterColumn::Size, result.sizeKiB);
  }
}

}  // namespace

std::string TitleRowText(int titleNumber) { return Formatted("标题[%02lld]", titleNumber); }

std::string ChapterRowText(unsigned chapter) { return Formatted("章节[%03lld]", chapter); }

std::error_code ClickTitle(WorkList& list, ConverterControls& controls, const settings::ProfileFile& profile, int row) {
  if (list.TitleCount() == 0) return {};
  const bool inList = row >= 0 && static_cast<std::size_t>(row) < list.TitleCount();
  list.selectedPosition = inList ? row : -1;
  if (list.settingsDirty && inList) {
    if (CTitleEntry* displayed = list.Displayed()) SnapshotEntry(list, controls, profile, *displayed);
    list.settingsDirty = false;
  }
  if (!inList) return {};
  const CTitleEntry& entry = *list.At(static_cast<std::size_t>(row));
  const std::error_code error = RestoreEntry(entry, list, controls, profile);
  ListChapters(entry, list, controls);
  list.displayedPosition = row;
  return error;
}

bool DeleteSelectedTitle(WorkList& list, ConverterControls& controls) {
  const int position = list.selectedPosition;
  if (position < 0 || !list.Remove(static_cast<std::size_t>(position))) return false;
  controls.RemoveTitleRow(position);
  controls.ClearChapterRows();
  list.selectedPosition = position - 1;
  // The chapter list is empty now: no title is displayed, so no later snapshot can store the
  // deleted title's chapter ticks into the title that took its place.
  list.displayedPosition = -1;
  list.displayedChapterCount = 0;
  return true;
}

void TitleCheckChanged(WorkList& list, ConverterControls& controls, int position, bool wasChecked, bool checked) {
  if (position < 0 || wasChecked == checked) return;
  CTitleEntry* entry = list.At(static_cast<std::size_t>(position));
  if (entry == nullptr) return;
  list.titleFlags[static_cast<std::size_t>(position)] = checked ? 1 : 0;
  const unsigned chapters = std::min<unsigned>(entry->chapterCount, kMaxChapters);
  entry->chapterSelection.fill(0);
  std::fill_n(entry->chapterSelection.begin(), chapters, static_cast<std::uint8_t>(checked ? 1 : 0));
  if (position == list.displayedPosition) {
    for (int row = 0; row < controls.ChapterRowCount(); ++row) controls.SetChapterChecked(row, checked);
    list.chapterFlags = entry->chapterSelection;
  }
}

void ChapterCheckChanged(WorkList& list, const ConverterControls& controls, int row, bool wasChecked, bool checked) {
  const bool filled = controls.ChapterRowCount() == static_cast<int>(list.displayedChapterCount);
  if (!filled || wasChecked == checked || row < 0 || static_cast<std::size_t>(row) >= kMaxChapters) return;
  list.chapterFlags[static_cast<std::size_t>(row)] = checked ? 1 : 0;
  if (checked && list.selectedPosition >= 0 && static_cast<std::size_t>(list.selectedPosition) < kMaxTitles) {
    list.titleFlags[static_cast<std::size_t>(list.selectedPosition)] = 1;
  }
  list.settingsDirty = true;
}

}  // namespace tarn::conv
