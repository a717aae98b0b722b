// CBaseReferenceClock: a monotonic IReferenceClock over GetPrivateTime, with
// an advise schedule served by its own thread.
//
// A clock made with an owner (aggregated, for example inside a filter)
// passes its IUnknown calls to the owner. A derived clock whose
// GetPrivateTime reads its own members must call StopAdviseThread() in its
// destructor, so that the thread never reads a half-destroyed object.
#pragma once

#include "media/base/AdviseSchedule.h"
#include "media/base/AmEvent.h"
#include "media/base/CritSec.h"
#include "media/com/CUnknown.h"
#include "media/dshow/Interfaces.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class CBaseReferenceClock : public CUnknown, public IReferenceClock {
 public:
  // With schedule null the clock makes its own schedule and serves it with
  // a thread started on the first advise request.
  CBaseReferenceClock(const wchar_t* name, IUnknown* outer, HRESULT* phr, CAMSchedule* schedule = nullptr);
  ~CBaseReferenceClock() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Never goes back: a private time below the last reading gives the last
  // reading again with S_FALSE.
  HRESULT GetTime(REFERENCE_TIME* time) override;
  HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event, DWORD_PTR* cookie) override;
  HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, HSEMAPHORE semaphore,
                         DWORD_PTR* cookie) override;
  HRESULT Unadvise(DWORD_PTR cookie) override;

  // The underlying time in 100 ns units, read under the clock lock. The
  // base follows the system's monotonic clock.
  virtual REFERENCE_TIME GetPrivateTime();

  CAMSchedule* GetSchedule() const { return schedule_; }

 protected:
  void StopAdviseThread();
  // Wakes the advise thread to look at the schedule again (after a change
  // of private time that the thread cannot foresee).
  void TriggerThread() { wakeEvent_.Set(); }
  CCritSec* ClockLock() { return &clockLock_; }

  REFERENCE_TIME m_rtPrivateTime = 0;

 private:
  void EnsureAdviseThread();
  void AdviseThread();

  CCritSec clockLock_;
  REFERENCE_TIME lastGotTime_ = 0;
  LONGLONG prevSystemTime_ = 0;  // 100 ns units of the monotonic clock

  CAMEvent wakeEvent_;
  std::unique_ptr<CAMSchedule> ownSchedule_;
  CAMSchedule* schedule_;
  std::mutex threadMutex_;
  std::thread thread_;
  std::atomic<bool> abort_{false};
};
