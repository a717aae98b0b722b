// CFilterGraph: the filter graph manager.
//
// It owns the filters added to it, connects and renders their pins
// (PathBuilder), moves them through their states in the right order, picks
// the reference clock, and gathers the events filters raise into one queue
// for the application.
//
// Threads: the application calls from its own thread(s); filters call
// Notify from their streaming threads. The graph lock guards the filter
// list, the state and the clock; Notify never takes it, because Stop holds
// it while it waits for streaming threads to end.
#pragma once

#include "media/base/CritSec.h"
#include "media/com/CUnknown.h"
#include "media/com/ComPtr.h"
#include "media/graph/CompletionTracker.h"
#include "media/graph/GraphEventQueue.h"
#include "media/graph/GraphInterfaces.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CGraphMediaFilter;
class CGraphSeeking;

class CFilterGraph final : public CUnknown,
                           public IGraphBuilder,
                           public IMediaControl,
                           public IMediaEventEx,
                           public IMediaEventSink {
 public:
  explicit CFilterGraph(IUnknown* outer);
  ~CFilterGraph() override;
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IFilterGraph
  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** enumerator) override;
  HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Reconnect(IPin* pin) override;
  HRESULT Disconnect(IPin* pin) override;
  HRESULT SetDefaultSyncSource() override;

  // IGraphBuilder
  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT Render(IPin* out) override;
  HRESULT Abort() override;
  HRESULT ShouldOperationContinue() override;

  // IMediaControl
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(LONG milliSecsTimeout, OAFilterState* state) override;
  HRESULT StopWhenReady() override;

  // IMediaEvent / IMediaEventEx
  HRESULT GetEventHandle(HEVENT* event) override;
  HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
  HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) override;
  HRESULT CancelDefaultHandling(LONG eventCode) override;
  HRESULT RestoreDefaultHandling(LONG eventCode) override;
  HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;
  HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
  HRESULT SetNotifyFlags(LONG noNotifyFlags) override;
  HRESULT GetNotifyFlags(LONG* noNotifyFlags) override;

  // IMediaEventSink (filters)
  HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) override;

  // What the IMediaFilter face of the graph does: an application's own
  // clock (or none, with null) replaces the automatic choice.
  HRESULT SetSyncSourceFromApplication(IReferenceClock* clock);
  HRESULT GetSyncSource(IReferenceClock** clock);
  HRESULT RunAt(REFERENCE_TIME start);
  FILTER_STATE CurrentState() const { return state_; }
  // Clock time minus the stream start, for the seeking face.
  HRESULT CurrentStreamTime(REFERENCE_TIME* time);

  // For the filter enumerator: the filter at index in the list as it was
  // at `version`; VFW_E_ENUM_OUT_OF_SYNC when the list has changed since.
  HRESULT FilterAt(std::size_t index, std::uint64_t version, ComPtr<IBaseFilter>* filter);
  std::uint64_t ListVersion() const { return version_; }

 private:
  struct Member {
    ComPtr<IBaseFilter> filter;
    std::wstring name;
  };

  std::vector<ComPtr<IBaseFilter>> Snapshot();
  // Filters ordered so that every filter comes before those upstream of it.
  std::vector<ComPtr<IBaseFilter>> DownstreamFirst();
  std::wstring UniqueName(LPCWSTR wanted);
  bool Contains(IBaseFilter* filter);
  bool PinInGraph(IPin* pin);
  void DisconnectAllPins(IBaseFilter* filter);
  void DistributeClock();
  ComPtr<IReferenceClock> FindUpstreamClock();
  REFERENCE_TIME ClockNow();
  HRESULT PauseFromStopped();
  HRESULT StopFilters();
  void QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
  void Shutdown();

  CCritSec graphLock_;
  std::vector<Member> members_;
  std::atomic<std::uint64_t> version_{1};
  std::atomic<FILTER_STATE> state_{State_Stopped};

  ComPtr<IReferenceClock> clock_;
  bool clockFromApplication_ = false;
  REFERENCE_TIME streamStart_ = 0;
  REFERENCE_TIME pausedAt_ = 0;
  bool hasRunSinceStop_ = false;

  std::atomic<bool> abort_{false};

  tarn::media::graph::GraphEventQueue events_;
  tarn::media::graph::CompletionTracker completion_;
  std::atomic<bool> defaultCompleteHandling_{true};
  std::mutex completionMutex_;
  std::condition_variable completionArrived_;
  std::optional<LONG> completionCode_;

  std::unique_ptr<CGraphMediaFilter> mediaFilter_;
  std::unique_ptr<CGraphSeeking> seeking_;
};
