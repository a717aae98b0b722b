#include "converter/engine/work_list.h"

#include <algorithm>

namespace tarn::conv {

CTitleEntry* WorkList::Append() {
  if (IsFull()) return nullptr;
  entries_.push_back(std::make_unique<CTitleEntry>());
  return entries_.back().get();
}

bool WorkList::Remove(std::size_t position) {
  if (position >= entries_.size()) return false;
  const std::size_t count = entries_.size();
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
  std::copy(titleFlags.begin() + static_cast<std::ptrdiff_t>(position) + 1,
            titleFlags.begin() + static_cast<std::ptrdiff_t>(count),
            titleFlags.begin() + static_cast<std::ptrdiff_t>(position));
  titleFlags[count - 1] = 0;
  return true;
}

CTitleEntry* WorkList::At(std::size_t position) {
  return position < entries_.size() ? entries_[position].get() : nullptr;
}

const CTitleEntry* WorkList::At(std::size_t position) const {
  return position < entries_.size() ? entries_[position].get() : nullptr;
}

}  // namespace tarn::conv
