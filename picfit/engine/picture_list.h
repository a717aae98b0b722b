#pragma once
// The input list: one entry per picture waiting for conversion, each with
// its own fit mode and target size, and the selected entry.

#include <QString>

#include <vector>

namespace picfit {

struct PictureEntry {
  QString displayName;  // file name without folder, as listed
  QString sourcePath;   // full path of the picture file
  int fitMode = 1;
  int targetWidth = 240;
  int targetHeight = 160;
};

class PictureList {
 public:
  // Appends (repeats are allowed) and selects the new entry; returns its index.
  int Add(PictureEntry entry);
  // Removes the selected entry. The entry before it becomes selected, or the
  // first when the first was removed; -1 when the list is empty. Returns the
  // new selection. Does nothing (returns -1) on an empty list.
  int RemoveSelected();
  void Select(int index);  // ignored when out of range

  int Count() const { return static_cast<int>(entries_.size()); }
  bool IsEmpty() const { return entries_.empty(); }
  int SelectedIndex() const { return selected_; }
  const PictureEntry& At(int index) const { return entries_.at(static_cast<size_t>(index)); }
  // The selected entry, nullptr when nothing is selected.
  PictureEntry* Selected();
  const PictureEntry* Selected() const;
  const std::vector<PictureEntry>& Entries() const { return entries_; }

 private:
  std::vector<PictureEntry> entries_;
  int selected_ = -1;
};

}  // namespace picfit
