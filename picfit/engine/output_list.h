#pragma once
// The output list: one entry per produced file. A conversion that produces a
// file already listed (name and path equal, letter case ignored) selects that
// entry instead of adding another.

#include <QString>

#include <vector>

namespace picfit {

struct OutputEntry {
  QString name;
  QString path;
};

class OutputList {
 public:
  struct Placement {
    int index = -1;
    bool existed = false;  // true: an equal entry was found and selected
  };
  // Selects the matching entry, or appends without changing the selection.
  Placement AddOrSelect(const QString& name, const QString& path);
  int Find(const QString& name, const QString& path) const;  // -1 when absent
  void Select(int index);                                    // ignored when out of range

  int Count() const { return static_cast<int>(entries_.size()); }
  int SelectedIndex() const { return selected_; }
  const OutputEntry& At(int index) const { return entries_.at(static_cast<size_t>(index)); }
  const std::vector<OutputEntry>& Entries() const { return entries_; }

 private:
  std::vector<OutputEntry> entries_;
  int selected_ = -1;
};

}  // namespace picfit
