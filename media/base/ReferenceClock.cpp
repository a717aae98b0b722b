#include "media/base/ReferenceClock.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace {

LONGLONG MonotonicUnits() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

}  // namespace

CBaseReferenceClock::CBaseReferenceClock(const wchar_t* name, IUnknown* outer, HRESULT* /*phr*/, CAMSchedule* schedule)
    : CUnknown(name, outer), wakeEvent_(false), schedule_(schedule) {
  prevSystemTime_ = MonotonicUnits();
  m_rtPrivateTime = prevSystemTime_;
  if (schedule_ == nullptr) {
    ownSchedule_ = std::make_unique<CAMSchedule>(&wakeEvent_);
    schedule_ = ownSchedule_.get();
  }
}

CBaseReferenceClock::~CBaseReferenceClock() { StopAdviseThread(); }

HRESULT CBaseReferenceClock::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IReferenceClock) return GetInterface(static_cast<IReferenceClock*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

REFERENCE_TIME CBaseReferenceClock::GetPrivateTime() {
  CAutoLock lock(&clockLock_);
  LONGLONG now = MonotonicUnits();
  m_rtPrivateTime += now - prevSystemTime_;
  prevSystemTime_ = now;
  return m_rtPrivateTime;
}

HRESULT CBaseReferenceClock::GetTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  CAutoLock lock(&clockLock_);
  REFERENCE_TIME now = GetPrivateTime();
  HRESULT hr = S_FALSE;
  if (now > lastGotTime_) {
    lastGotTime_ = now;
    hr = S_OK;
  }
  *time = lastGotTime_;
  return hr;
}

HRESULT CBaseReferenceClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                                        DWORD_PTR* cookie) {
  if (cookie == nullptr || event == nullptr) return E_POINTER;
  *cookie = 0;
  if (baseTime < 0 || streamTime < 0 || baseTime > MAX_TIME - streamTime) return E_INVALIDARG;
  const REFERENCE_TIME when = baseTime + streamTime;
  if (when <= 0 || when == MAX_TIME) return E_INVALIDARG;
  EnsureAdviseThread();
  *cookie = schedule_->AddAdvisePacket(when, event);
  return S_OK;
}

HRESULT CBaseReferenceClock::AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, HSEMAPHORE semaphore,
                                            DWORD_PTR* cookie) {
  if (cookie == nullptr || semaphore == nullptr) return E_POINTER;
  *cookie = 0;
  if (startTime <= 0 || period <= 0 || startTime == MAX_TIME) return E_INVALIDARG;
  EnsureAdviseThread();
  *cookie = schedule_->AddPeriodicPacket(startTime, period, semaphore);
  return S_OK;
}

HRESULT CBaseReferenceClock::Unadvise(DWORD_PTR cookie) { return schedule_->Unadvise(cookie); }

void CBaseReferenceClock::EnsureAdviseThread() {
  if (!ownSchedule_) return;  // someone else serves a shared schedule
  std::lock_guard lock(threadMutex_);
  if (thread_.joinable() || abort_) return;
  thread_ = std::thread([this] { AdviseThread(); });
}

void CBaseReferenceClock::StopAdviseThread() {
  std::lock_guard lock(threadMutex_);
  abort_ = true;
  wakeEvent_.Set();
  if (thread_.joinable()) thread_.join();
}

void CBaseReferenceClock::AdviseThread() {
  DWORD wait = 0;
  while (!abort_) {
    wakeEvent_.Wait(wait);
    if (abort_) break;
    REFERENCE_TIME now = 0;
    {
      CAutoLock lock(&clockLock_);
      now = GetPrivateTime();
    }
    // Fire what falls within the next millisecond rather than sleep for it.
    const REFERENCE_TIME next = schedule_->Advise(now + MILLISECONDS);
    if (next == MAX_TIME) {
      wait = INFINITE;
    } else {
      const LONGLONG ms = (next - now) / MILLISECONDS;
      wait = static_cast<DWORD>(std::clamp<LONGLONG>(ms, 0, INFINITE - 1));
    }
  }
}
