#include "encoder/prepared_ahead.h"

#include <new>

#include "codec/screen.h"

namespace tarn::venc {

bool PreparedAhead::Start(std::size_t scratchBytes) {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return preparing_ == 0; });
  ++generation_;
  accepting_ = false;
  for (Entry& entry : entries_) {
    entry.state = State::kFree;
    entry.slot.scratch.reset(new (std::nothrow) std::uint8_t[scratchBytes]);
    entry.slot.fitWork.reset(new (std::nothrow) std::uint8_t[codec::kRgbPictureBytes]);
    entry.slot.prepared.reset(new (std::nothrow) std::uint8_t[codec::kRgbPictureBytes]);
    if (!entry.slot.scratch || !entry.slot.fitWork || !entry.slot.prepared) {
      for (Entry& other : entries_) other.slot = Slot{};
      return false;
    }
  }
  scratchBytes_ = scratchBytes;
  accepting_ = true;
  return true;
}

void PreparedAhead::Stop() {
  std::unique_lock lock(mutex_);
  accepting_ = false;
  ++generation_;
  finished_.wait(lock, [&] { return preparing_ == 0; });
  for (Entry& entry : entries_) {
    entry.state = State::kFree;
    entry.slot = Slot{};
  }
}

void PreparedAhead::Forget() {
  const std::lock_guard lock(mutex_);
  ++generation_;
  for (Entry& entry : entries_)
    if (entry.state == State::kReady) entry.state = State::kFree;
}

void PreparedAhead::SetInput(bool yuy2, int width, int height) {
  const std::lock_guard lock(mutex_);
  yuy2_ = yuy2;
  width_ = width;
  height_ = height;
}

PreparedAhead::Slot* PreparedAhead::Claim(const void* sample, REFERENCE_TIME start, REFERENCE_TIME stop) {
  const std::lock_guard lock(mutex_);
  // A picture converted in full must fit the scratch (the input may grow with a new type).
  if (!accepting_ || !yuy2_ || width_ <= 0 || height_ <= 0 ||
      static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3 > scratchBytes_)
    return nullptr;
  for (Entry& entry : entries_) {
    if (entry.state != State::kFree) continue;
    entry.state = State::kPreparing;
    entry.slot.key = {sample, start, stop, width_, height_};
    entry.generation = generation_;
    entry.order = ++claims_;
    ++preparing_;
    return &entry.slot;
  }
  return nullptr;
}

void PreparedAhead::Finish(Slot* slot, bool prepared) {
  {
    const std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) {
      if (&entry.slot != slot) continue;
      // A slot prepared across a flush or a stop belongs to a generation gone.
      entry.state = prepared && entry.generation == generation_ ? State::kReady : State::kFree;
      --preparing_;
    }
  }
  finished_.notify_all();
}

const std::uint8_t* PreparedAhead::Take(const Key& key) {
  const std::lock_guard lock(mutex_);
  Entry* found = nullptr;
  for (Entry& entry : entries_)
    if (entry.state == State::kReady && entry.generation == generation_ && entry.slot.key == key) found = &entry;
  if (found == nullptr) return nullptr;
  // Samples are received in the order they were sent on: a picture prepared for one sent
  // earlier is never asked for any more.
  for (Entry& entry : entries_)
    if (entry.state == State::kReady && entry.order < found->order) entry.state = State::kFree;
  found->state = State::kInUse;
  return found->slot.prepared.get();
}

void PreparedAhead::Release() {
  const std::lock_guard lock(mutex_);
  for (Entry& entry : entries_)
    if (entry.state == State::kInUse) entry.state = State::kFree;
}

}  // namespace tarn::venc
