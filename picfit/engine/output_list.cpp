#include "output_list.h"

namespace picfit {

int OutputList::Find(const QString& name, const QString& path) const {
  for (int i = 0; i < Count(); ++i) {
    const OutputEntry& e = entries_[static_cast<size_t>(i)];
    if (e.name.compare(name, Qt::CaseInsensitive) == 0 && e.path.compare(path, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

OutputList::Placement OutputList::AddOrSelect(const QString& name, const QString& path) {
  if (const int found = Find(name, path); found >= 0) {
    selected_ = found;
    return {found, true};
  }
  entries_.push_back({name, path});
  return {Count() - 1, false};
}

void OutputList::Select(int index) {
  if (index >= 0 && index < Count()) selected_ = index;
}

}  // namespace picfit
