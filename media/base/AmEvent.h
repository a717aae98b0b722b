// CAMEvent and CAMSemaphore: waitable objects for threads of the media layer.
#pragma once

#include "media/com/Types.h"

#include <condition_variable>
#include <mutex>

inline constexpr DWORD INFINITE = 0xFFFFFFFF;

class CAMEvent {
 public:
  // A manual-reset event stays set until Reset; an auto-reset event is
  // cleared by the one wait it releases.
  explicit CAMEvent(bool manualReset = false);
  CAMEvent(const CAMEvent&) = delete;
  CAMEvent& operator=(const CAMEvent&) = delete;

  void Set();
  void Reset();
  // True when the event was signalled within the time-out (milliseconds).
  bool Wait(DWORD milliseconds = INFINITE);
  // Non-blocking test; an auto-reset event is cleared by a successful check.
  bool Check() { return Wait(0); }

 private:
  std::mutex mutex_;
  std::condition_variable signalled_;
  const bool manualReset_;
  bool set_ = false;
};

class CAMSemaphore {
 public:
  explicit CAMSemaphore(LONG initialCount = 0);
  CAMSemaphore(const CAMSemaphore&) = delete;
  CAMSemaphore& operator=(const CAMSemaphore&) = delete;

  void Release(LONG count = 1);
  // True when a count was taken within the time-out (milliseconds).
  bool Wait(DWORD milliseconds = INFINITE);
  LONG Count();

 private:
  std::mutex mutex_;
  std::condition_variable available_;
  LONG count_;
};
