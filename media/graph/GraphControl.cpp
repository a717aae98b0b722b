// CFilterGraph: states of the graph and its reference clock.
//
// Every state change goes through the filters downstream first: renderers
// are ready before their sources push, and on the way down a renderer lets
// go of the streaming threads before the filters feeding it wait for them.
#include "media/graph/FilterGraph.h"

#include "media/graph/PinQueries.h"
#include "media/graph/SystemClock.h"

#include <algorithm>
#include <functional>
#include <new>

using namespace tarn::media::graph;

namespace {

// Lead time between setting the stream start and the first sample being due,
// so that every filter has its start time before the clock reaches it.
constexpr REFERENCE_TIME kRunLeadTime = 10 * MILLISECONDS;

}  // namespace

std::vector<ComPtr<IBaseFilter>> CFilterGraph::DownstreamFirst() {
  const std::vector<ComPtr<IBaseFilter>> filters = Snapshot();
  std::vector<ComPtr<IBaseFilter>> ordered;
  std::vector<IBaseFilter*> visited;
  std::function<void(IBaseFilter*)> visit = [&](IBaseFilter* filter) {
    if (std::find(visited.begin(), visited.end(), filter) != visited.end()) return;
    visited.push_back(filter);
    for (const auto& next : DownstreamFilters(filter))
      if (Contains(next.Get())) visit(next.Get());
    ordered.push_back(ComPtr<IBaseFilter>(filter));
  };
  for (const auto& filter : filters) visit(filter.Get());
  return ordered;
}

REFERENCE_TIME CFilterGraph::ClockNow() {
  REFERENCE_TIME now = 0;
  if (!clock_ || FAILED(clock_->GetTime(&now))) return 0;
  return now;
}

HRESULT CFilterGraph::PauseFromStopped() {
  if (!clockFromApplication_) SetDefaultSyncSource();

  std::vector<const IBaseFilter*> renderers;
  for (const auto& filter : Snapshot())
    if (IsRenderer(filter.Get()) && HasConnectedInput(filter.Get())) renderers.push_back(filter.Get());
  completion_.Start(std::move(renderers));
  {
    std::lock_guard lock(completionMutex_);
    completionCode_.reset();
  }
  hasRunSinceStop_ = false;

  const auto order = DownstreamFirst();
  for (std::size_t i = 0; i < order.size(); ++i) {
    HRESULT hr = order[i]->Pause();
    if (FAILED(hr)) {
      // Leave no filter streaming: the graph stays stopped.
      for (std::size_t j = 0; j < i; ++j) order[j]->Stop();
      completion_.Stop();
      return hr;
    }
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT CFilterGraph::Pause() {
  CAutoLock lock(&graphLock_);
  if (state_ == State_Paused) return S_OK;
  if (state_ == State_Stopped) return PauseFromStopped();
  pausedAt_ = ClockNow();
  HRESULT result = S_OK;
  for (const auto& filter : DownstreamFirst()) {
    HRESULT hr = filter->Pause();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  state_ = State_Paused;
  return result;
}

HRESULT CFilterGraph::Run() {
  CAutoLock lock(&graphLock_);
  if (state_ == State_Running) return S_OK;
  if (state_ == State_Stopped) {
    HRESULT hr = PauseFromStopped();
    if (FAILED(hr)) return hr;
  }
  // Stream time goes on where it paused: the start moves by the pause.
  const REFERENCE_TIME now = ClockNow();
  if (!hasRunSinceStop_)
    streamStart_ = clock_ ? now + kRunLeadTime : 0;
  else
    streamStart_ += now - pausedAt_;
  return RunAt(streamStart_);
}

HRESULT CFilterGraph::RunAt(REFERENCE_TIME start) {
  CAutoLock lock(&graphLock_);
  if (state_ == State_Running) return S_OK;
  if (state_ == State_Stopped) {
    HRESULT hr = PauseFromStopped();
    if (FAILED(hr)) return hr;
  }
  streamStart_ = start;
  hasRunSinceStop_ = true;
  for (const auto& filter : DownstreamFirst()) {
    HRESULT hr = filter->Run(start);
    if (FAILED(hr)) {
      StopFilters();
      return hr;
    }
  }
  state_ = State_Running;
  return S_OK;
}

HRESULT CFilterGraph::StopFilters() {
  completion_.Stop();
  HRESULT result = S_OK;
  for (const auto& filter : DownstreamFirst()) {
    HRESULT hr = filter->Stop();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  state_ = State_Stopped;
  return result;
}

HRESULT CFilterGraph::Stop() {
  CAutoLock lock(&graphLock_);
  if (state_ == State_Stopped) return S_OK;
  return StopFilters();
}

HRESULT CFilterGraph::StopWhenReady() {
  CAutoLock lock(&graphLock_);
  if (state_ == State_Stopped) {
    HRESULT hr = PauseFromStopped();
    if (FAILED(hr)) return hr;
  }
  return StopFilters();
}

HRESULT CFilterGraph::GetState(LONG /*milliSecsTimeout*/, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  // Every state change completes before the call returns.
  *state = static_cast<OAFilterState>(state_.load());
  return S_OK;
}

HRESULT CFilterGraph::CurrentStreamTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  if (!clock_) return VFW_E_NO_CLOCK;
  const REFERENCE_TIME at = state_ == State_Running ? ClockNow() : pausedAt_;
  *time = hasRunSinceStop_ ? std::max<REFERENCE_TIME>(0, at - streamStart_) : 0;
  return S_OK;
}

// ---- the clock ----

void CFilterGraph::DistributeClock() {
  for (const auto& filter : Snapshot()) filter->SetSyncSource(clock_.Get());
}

// The first filter offering a clock, searching from each renderer upstream
// (a renderer's own clock first, then the filters feeding it, nearest first).
ComPtr<IReferenceClock> CFilterGraph::FindUpstreamClock() {
  for (const auto& renderer : Snapshot()) {
    if (!IsRenderer(renderer.Get()) || !HasConnectedInput(renderer.Get())) continue;
    std::vector<ComPtr<IBaseFilter>> level{renderer};
    std::vector<IBaseFilter*> seen;
    for (std::size_t i = 0; i < level.size(); ++i) {
      IBaseFilter* filter = level[i].Get();
      if (std::find(seen.begin(), seen.end(), filter) != seen.end()) continue;
      seen.push_back(filter);
      ComPtr<IReferenceClock> clock;
      if (SUCCEEDED(ComPtr<IBaseFilter>(filter).As(&clock)) && clock) return clock;
      for (auto& up : UpstreamFilters(filter)) level.push_back(std::move(up));
    }
  }
  return nullptr;
}

HRESULT CFilterGraph::SetDefaultSyncSource() {
  CAutoLock lock(&graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  ComPtr<IReferenceClock> clock = FindUpstreamClock();
  if (!clock) {
    auto* system = new (std::nothrow) CSystemClock(nullptr);
    if (system == nullptr) return E_OUTOFMEMORY;
    system->NonDelegatingAddRef();
    HRESULT hr = system->NonDelegatingQueryInterface(IID_IReferenceClock, clock.ReleaseAndGetAddressOfVoid());
    system->NonDelegatingRelease();
    if (FAILED(hr)) return hr;
  }
  clock_ = std::move(clock);
  clockFromApplication_ = false;
  DistributeClock();
  return S_OK;
}

HRESULT CFilterGraph::SetSyncSourceFromApplication(IReferenceClock* clock) {
  CAutoLock lock(&graphLock_);
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  clock_ = ComPtr<IReferenceClock>(clock);
  clockFromApplication_ = true;
  DistributeClock();
  return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  return clock_.CopyTo(clock);
}
