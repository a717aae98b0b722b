#include "picture_list.h"

namespace picfit {

int PictureList::Add(PictureEntry entry) {
  entries_.push_back(std::move(entry));
  selected_ = Count() - 1;
  return selected_;
}

int PictureList::RemoveSelected() {
  if (entries_.empty() || selected_ < 0) return -1;
  const int removed = selected_;
  entries_.erase(entries_.begin() + removed);
  if (entries_.empty())
    selected_ = -1;
  else
    selected_ = removed > 0 ? removed - 1 : 0;
  return selected_;
}

void PictureList::Select(int index) {
  if (index >= 0 && index < Count()) selected_ = index;
}

PictureEntry* PictureList::Selected() { return selected_ >= 0 ? &entries_[static_cast<size_t>(selected_)] : nullptr; }

const PictureEntry* PictureList::Selected() const {
  return selected_ >= 0 ? &entries_[static_cast<size_t>(selected_)] : nullptr;
}

}  // namespace picfit
