// CFilterGraph: the event sink filters call and the event queue the
// application reads.
//
// EC_COMPLETE is handled by the graph unless the application cancels that:
// each renderer reports its own end of stream, and the application is told
// once, when every renderer of the run has finished.
#include "media/graph/FilterGraph.h"

#include "media/dshow/EventCodes.h"

#include <chrono>

// The event is queued (and announced) before a waiter for completion wakes,
// so that whoever waited finds it in the queue.
void CFilterGraph::QueueEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  events_.Push({code, param1, param2});
  if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) {
    {
      std::lock_guard lock(completionMutex_);
      if (!completionCode_) completionCode_ = code;
    }
    completionArrived_.notify_all();
  }
}

HRESULT CFilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  if (eventCode == EC_COMPLETE && defaultCompleteHandling_) {
    const auto* renderer = reinterpret_cast<const IBaseFilter*>(param2);
    if (auto result = completion_.Report(renderer, static_cast<HRESULT>(param1))) QueueEvent(EC_COMPLETE, *result, 0);
    return S_OK;
  }
  QueueEvent(eventCode, param1, param2);
  return S_OK;
}

HRESULT CFilterGraph::GetEventHandle(HEVENT* event) {
  if (event == nullptr) return E_POINTER;
  *event = events_.Handle();
  return S_OK;
}

HRESULT CFilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
  if (eventCode == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  tarn::media::graph::GraphEvent event;
  if (!events_.Take(&event, msTimeout)) {
    *eventCode = 0;
    *param1 = 0;
    *param2 = 0;
    return E_ABORT;
  }
  *eventCode = event.code;
  *param1 = event.param1;
  *param2 = event.param2;
  return S_OK;
}

HRESULT CFilterGraph::WaitForCompletion(LONG msTimeout, LONG* eventCode) {
  if (eventCode == nullptr) return E_POINTER;
  *eventCode = 0;
  if (state_ != State_Running) return VFW_E_WRONG_STATE;
  std::unique_lock lock(completionMutex_);
  auto done = [this] { return completionCode_.has_value(); };
  if (msTimeout < 0) {
    completionArrived_.wait(lock, done);
  } else if (!completionArrived_.wait_for(lock, std::chrono::milliseconds(msTimeout), done)) {
    return E_ABORT;
  }
  *eventCode = *completionCode_;
  return S_OK;
}

HRESULT CFilterGraph::CancelDefaultHandling(LONG eventCode) {
  if (eventCode != EC_COMPLETE) return E_INVALIDARG;
  defaultCompleteHandling_ = false;
  return S_OK;
}

HRESULT CFilterGraph::RestoreDefaultHandling(LONG eventCode) {
  if (eventCode != EC_COMPLETE) return E_INVALIDARG;
  defaultCompleteHandling_ = true;
  return S_OK;
}

// The parameters of the events raised here are plain values: nothing to free.
HRESULT CFilterGraph::FreeEventParams(LONG /*eventCode*/, LONG_PTR /*param1*/, LONG_PTR /*param2*/) { return S_OK; }

HRESULT CFilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  events_.SetNotifyTarget(window, message, instanceData);
  return S_OK;
}

HRESULT CFilterGraph::SetNotifyFlags(LONG noNotifyFlags) {
  if (noNotifyFlags != 0 && noNotifyFlags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
  events_.SetNotifyFlags(noNotifyFlags);
  return S_OK;
}

HRESULT CFilterGraph::GetNotifyFlags(LONG* noNotifyFlags) {
  if (noNotifyFlags == nullptr) return E_POINTER;
  *noNotifyFlags = events_.NotifyFlags();
  return S_OK;
}
