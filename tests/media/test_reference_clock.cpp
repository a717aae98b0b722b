// The reference clock: monotonic time over a private time that may jump,
// advise requests fired in time order by the clock's thread, aggregation.
#include "media/base/ReferenceClock.h"
#include "media/com/ComPtr.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// Private time read from a script; the last value repeats.
class ScriptedClock final : public CBaseReferenceClock {
 public:
  explicit ScriptedClock(std::deque<REFERENCE_TIME> script)
      : CBaseReferenceClock(L"Scripted clock", nullptr, nullptr), script_(std::move(script)) {}
  ~ScriptedClock() override { StopAdviseThread(); }
  REFERENCE_TIME GetPrivateTime() override {
    CAutoLock lock(ClockLock());
    REFERENCE_TIME value = script_.front();
    if (script_.size() > 1) script_.pop_front();
    return value;
  }

 private:
  std::deque<REFERENCE_TIME> script_;
};

TEST(ReferenceClock, NeverGoesBackWhenThePrivateTimeJumps) {
  ComPtr<IReferenceClock> clock(new ScriptedClock({1000, 500, 2000, 2000, 1999}));
  REFERENCE_TIME now = 0;
  EXPECT_EQ(clock->GetTime(&now), S_OK);
  EXPECT_EQ(now, 1000);
  EXPECT_EQ(clock->GetTime(&now), S_FALSE);
  EXPECT_EQ(now, 1000);
  EXPECT_EQ(clock->GetTime(&now), S_OK);
  EXPECT_EQ(now, 2000);
  EXPECT_EQ(clock->GetTime(&now), S_FALSE);
  EXPECT_EQ(clock->GetTime(&now), S_FALSE);
  EXPECT_EQ(now, 2000);
}

class SystemClock : public ::testing::Test {
 protected:
  ComPtr<IReferenceClock> clock{new CBaseReferenceClock(L"System clock", nullptr, nullptr)};
  REFERENCE_TIME Now() {
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    return now;
  }
};

TEST_F(SystemClock, FiresOneShotAdvisesInTimeOrderAndNotBeforeTheirTime) {
  CAMEvent late(true), early(true), middle(true);
  const REFERENCE_TIME base = Now();
  DWORD_PTR cookies[3];
  ASSERT_EQ(clock->AdviseTime(base, 300 * MILLISECONDS, &late, &cookies[0]), S_OK);
  ASSERT_EQ(clock->AdviseTime(base, 100 * MILLISECONDS, &early, &cookies[1]), S_OK);
  ASSERT_EQ(clock->AdviseTime(base, 200 * MILLISECONDS, &middle, &cookies[2]), S_OK);

  ASSERT_TRUE(early.Wait(5000));
  EXPECT_GE(Now(), base + 99 * MILLISECONDS);
  EXPECT_FALSE(middle.Check());
  EXPECT_FALSE(late.Check());
  ASSERT_TRUE(middle.Wait(5000));
  EXPECT_GE(Now(), base + 199 * MILLISECONDS);
  EXPECT_FALSE(late.Check());
  ASSERT_TRUE(late.Wait(5000));
  EXPECT_GE(Now(), base + 299 * MILLISECONDS);
  EXPECT_EQ(clock->Unadvise(cookies[0]), S_FALSE);  // already fired and gone
}

TEST_F(SystemClock, PeriodicAdviseRepeatsUntilUnadvised) {
  CAMSemaphore ticks;
  DWORD_PTR cookie = 0;
  ASSERT_EQ(clock->AdvisePeriodic(Now() + 20 * MILLISECONDS, 20 * MILLISECONDS, &ticks, &cookie), S_OK);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(ticks.Wait(5000)) << "tick " << i;
  EXPECT_EQ(clock->Unadvise(cookie), S_OK);
  EXPECT_EQ(clock->Unadvise(cookie), S_FALSE);
  while (ticks.Wait(0)) {
  }
  EXPECT_FALSE(ticks.Wait(100));
}

TEST_F(SystemClock, AnUnadvisedRequestNeverFires) {
  CAMEvent event(true);
  DWORD_PTR cookie = 0;
  ASSERT_EQ(clock->AdviseTime(Now(), 50 * MILLISECONDS, &event, &cookie), S_OK);
  ASSERT_EQ(clock->Unadvise(cookie), S_OK);
  EXPECT_FALSE(event.Wait(150));
}

TEST_F(SystemClock, RefusesNonsenseRequests) {
  CAMEvent event;
  CAMSemaphore semaphore;
  DWORD_PTR cookie = 0;
  EXPECT_EQ(clock->AdviseTime(0, 0, &event, &cookie), E_INVALIDARG);
  EXPECT_EQ(clock->AdviseTime(-5, 1, &event, &cookie), E_INVALIDARG);
  EXPECT_EQ(clock->AdviseTime(MAX_TIME, 1, &event, &cookie), E_INVALIDARG);
  EXPECT_EQ(clock->AdviseTime(1, 1, nullptr, &cookie), E_POINTER);
  EXPECT_EQ(clock->AdvisePeriodic(Now(), 0, &semaphore, &cookie), E_INVALIDARG);
  EXPECT_EQ(clock->AdvisePeriodic(0, 10, &semaphore, &cookie), E_INVALIDARG);
}

// A filter-like owner holding a clock as a member, as an encoder filter does.
class ClockOwner final : public CUnknown, public IPersist {
 public:
  ClockOwner() : CUnknown(L"Clock owner", nullptr), clock(L"Owned clock", GetOwner(), nullptr) {}
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IReferenceClock) return clock.NonDelegatingQueryInterface(riid, ppv);
    if (riid == IID_IPersist) return GetInterface(static_cast<IPersist*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }
  HRESULT GetClassID(CLSID* clsid) override {
    *clsid = GUID_NULL;
    return S_OK;
  }
  CBaseReferenceClock clock;
};

TEST(AggregatedClock, AnswersForItsOwnerAndDiesWithIt) {
  const LONG objectsBefore = ModuleObjectCount();
  auto* owner = new ClockOwner;
  ComPtr<IPersist> persist;
  ASSERT_EQ(QueryInterfaceAs(owner->NonDelegatingUnknown(), persist.ReleaseAndGetAddressOf()), S_OK);

  ComPtr<IReferenceClock> clock;
  ASSERT_EQ(persist.As(&clock), S_OK);
  const ULONG count = owner->ReferenceCount();
  clock->AddRef();
  EXPECT_EQ(owner->ReferenceCount(), count + 1);
  clock->Release();

  ComPtr<IPersist> viaClock;
  EXPECT_EQ(clock.As(&viaClock), S_OK);  // the clock's QueryInterface is the owner's
  EXPECT_EQ(viaClock.Get(), persist.Get());

  // A pending advise keeps the clock's thread busy; the owner's end stops it.
  CAMEvent never(true);
  DWORD_PTR cookie = 0;
  REFERENCE_TIME now = 0;
  clock->GetTime(&now);
  ASSERT_EQ(clock->AdviseTime(now, 3600 * UNITS, &never, &cookie), S_OK);
  viaClock.Reset();
  clock.Reset();
  persist.Reset();
  EXPECT_EQ(ModuleObjectCount(), objectsBefore);
}

}  // namespace

namespace {

// The schedule on its own, with the time given by the test.
TEST(AdviseSchedule, FiresDueRequestsEarliestFirstAndReportsTheNext) {
  CAMEvent wake(true);
  CAMSchedule schedule(&wake);
  CAMEvent a(true), b(true), c(true);
  schedule.AddAdvisePacket(300, &a);
  EXPECT_TRUE(wake.Check());  // a new earliest request wakes the serving thread
  wake.Reset();
  schedule.AddAdvisePacket(100, &b);
  EXPECT_TRUE(wake.Check());
  wake.Reset();
  const DWORD_PTR cCookie = schedule.AddAdvisePacket(200, &c);
  EXPECT_FALSE(wake.Check());  // not the earliest: no need to wake

  EXPECT_EQ(schedule.Advise(99), 100);
  EXPECT_FALSE(b.Check());
  EXPECT_EQ(schedule.Advise(150), 200);
  EXPECT_TRUE(b.Check());
  EXPECT_FALSE(c.Check());
  EXPECT_EQ(schedule.Unadvise(cCookie), S_OK);
  EXPECT_EQ(schedule.Advise(250), 300);
  EXPECT_FALSE(c.Check());
  EXPECT_EQ(schedule.Advise(300), MAX_TIME);
  EXPECT_TRUE(a.Check());
  EXPECT_EQ(schedule.PendingCount(), 0u);
}

TEST(AdviseSchedule, APeriodicRequestFiresOnceAfterAJumpAndKeepsItsGrid) {
  CAMEvent wake;
  CAMSchedule schedule(&wake);
  CAMSemaphore ticks;
  schedule.AddPeriodicPacket(100, 50, &ticks);
  EXPECT_EQ(schedule.Advise(100), 150);
  EXPECT_EQ(ticks.Count(), 1);
  // The time jumps past many periods: one release, and the next on the grid.
  EXPECT_EQ(schedule.Advise(1020), 1050);
  EXPECT_EQ(ticks.Count(), 2);
  EXPECT_EQ(schedule.Advise(1049), 1050);
  EXPECT_EQ(ticks.Count(), 2);
}

}  // namespace
