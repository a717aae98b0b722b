// The titles queued for conversion, in the order of the title list, with the main window's
// selection state over them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "converter/engine/title_entry.h"

namespace tarn::conv {

inline constexpr std::int64_t kDefaultSizeLimitBytes = 536870912;

class WorkList {
 public:
  std::size_t TitleCount() const { return entries_.size(); }
  bool IsFull() const { return entries_.size() >= kMaxTitles; }

  // A new empty entry at the end, or nullptr when the list already holds kMaxTitles titles.
  // Entries keep their address until they are removed.
  CTitleEntry* Append();
  // Removes the title at `position` and shifts the title flags of later titles down with it.
  // Returns false when there is no such title.
  bool Remove(std::size_t position);

  CTitleEntry* At(std::size_t position);
  const CTitleEntry* At(std::size_t position) const;
  // The title whose chapters are shown, nullptr when none is.
  CTitleEntry* Displayed() { return displayedPosition < 0 ? nullptr : At(static_cast<std::size_t>(displayedPosition)); }

  bool IsTitleFlagged(std::size_t position) const { return position < kMaxTitles && titleFlags[position] == 1; }

  // Selection state of the main window.
  std::array<std::uint8_t, kMaxTitles> titleFlags{};  // byte p: title at position p takes part
  ChapterFlags chapterFlags{};                        // working copy of the displayed title's chapter selection
  int selectedPosition = -1;                          // the title last clicked, -1 for none
  int displayedPosition = -1;                         // the title whose chapters the chapter list shows
  unsigned displayedChapterCount = 0;                 // rows the chapter list has when it is filled
  std::string currentSource;
  std::string outputFolder;
  std::int64_t activeSizeLimit = kDefaultSizeLimitBytes;  // bytes the size poll enforces
  bool settingsDirty = false;

 private:
  std::vector<std::unique_ptr<CTitleEntry>> entries_;
};

}  // namespace tarn::conv
