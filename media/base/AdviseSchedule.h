// CAMSchedule: the pending advise requests of a reference clock, in time order.
#pragma once

#include "media/base/AmEvent.h"
#include "media/dshow/Interfaces.h"

#include <map>
#include <mutex>

class CAMSchedule {
 public:
  // wakeEvent is set whenever a new request becomes the earliest, so that
  // the thread serving the schedule recomputes its wait.
  explicit CAMSchedule(CAMEvent* wakeEvent);
  CAMSchedule(const CAMSchedule&) = delete;
  CAMSchedule& operator=(const CAMSchedule&) = delete;

  // A one-shot request that sets event at time; returns its cookie (never 0).
  DWORD_PTR AddAdvisePacket(REFERENCE_TIME time, HEVENT event);
  // A periodic request that releases semaphore at time and every period after.
  DWORD_PTR AddPeriodicPacket(REFERENCE_TIME time, REFERENCE_TIME period, HSEMAPHORE semaphore);
  // S_OK when the request was pending, S_FALSE when it was not.
  HRESULT Unadvise(DWORD_PTR cookie);

  // Fires every request due at `now`, earliest first, and returns the time
  // of the next pending one (MAX_TIME when none is left).
  REFERENCE_TIME Advise(REFERENCE_TIME now);
  REFERENCE_TIME GetNextAdviseTime();
  CAMEvent* GetEvent() const { return wakeEvent_; }
  std::size_t PendingCount();

 private:
  struct Packet {
    DWORD_PTR cookie = 0;
    REFERENCE_TIME period = 0;  // 0 for one-shot
    HEVENT event = nullptr;
    HSEMAPHORE semaphore = nullptr;
  };
  DWORD_PTR Insert(REFERENCE_TIME time, Packet packet);

  std::mutex mutex_;
  CAMEvent* const wakeEvent_;
  std::multimap<REFERENCE_TIME, Packet> pending_;
  DWORD_PTR nextCookie_ = 1;
};
