#include "media/base/AmEvent.h"

#include <chrono>

namespace {

// Waits on cv until ready() holds or the time-out passes.
template <class Predicate>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD milliseconds, Predicate ready) {
  if (milliseconds == INFINITE) {
    cv.wait(lock, ready);
    return true;
  }
  return cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

}  // namespace

CAMEvent::CAMEvent(bool manualReset) : manualReset_(manualReset) {}

void CAMEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  if (manualReset_)
    signalled_.notify_all();
  else
    signalled_.notify_one();
}

void CAMEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool CAMEvent::Wait(DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  if (!WaitFor(signalled_, lock, milliseconds, [this] { return set_; })) return false;
  if (!manualReset_) set_ = false;
  return true;
}

CAMSemaphore::CAMSemaphore(LONG initialCount) : count_(initialCount) {}

void CAMSemaphore::Release(LONG count) {
  {
    std::lock_guard lock(mutex_);
    count_ += count;
  }
  available_.notify_all();
}

bool CAMSemaphore::Wait(DWORD milliseconds) {
  std::unique_lock lock(mutex_);
  if (!WaitFor(available_, lock, milliseconds, [this] { return count_ > 0; })) return false;
  --count_;
  return true;
}

LONG CAMSemaphore::Count() {
  std::lock_guard lock(mutex_);
  return count_;
}
