// The graph object's life: building either variant, tearing it down, and the transport.
#include "converter/graph/dvd_graph.h"

#include "converter/graph/graph_messages.h"
#include "converter/graph/graph_population.h"
#include "media/registry/ComRuntime.h"

namespace tarn::conv {

CDvdGraph::CDvdGraph(EventWindowFactory& windows, MessageBoxFunction showMessage)
    : windows_(windows), showMessage_(std::move(showMessage)) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  media::RegisterFilterGraphClasses();
}

CDvdGraph::~CDvdGraph() {
  if (mediaControl_) mediaControl_->Stop();
  ReleaseGraph();
  window_.reset();
  CoUninitialize();
}

// ---- building ----

bool CDvdGraph::Build(GraphVariant variant) {
  variant_ = variant;
  if (!BuildGraph(variant)) {
    ReleaseGraph();
    // A file that no longer plays (moved, deleted) gives way to the disc graph, so that other
    // sources can still be opened.
    if (file_) {
      file_.reset();
      Build(variant);
    }
    return false;
  }
  CreateVideoWindow();
  return SetDvdOptions();
}

bool CDvdGraph::RebuildForPreview() {
  TearDownGraph();
  return Build(GraphVariant::Preview);
}

bool CDvdGraph::RebuildForConversion() {
  TearDownGraph();
  return Build(GraphVariant::Conversion);
}

bool CDvdGraph::BuildGraph(GraphVariant variant) {
  ReleaseGraph();
  if (!CreateGraphManager()) return false;
  if (file_) {
    if (!BuildFileGraph(variant) || !FindTransportAndWindow()) return false;
    state_ = GraphState::Stopped;
    return true;
  }
  if (variant == GraphVariant::Preview)
    AddPreviewFilters(graph_.Get(), showMessage_);
  else
    AddConversionFilters(graph_.Get(), showMessage_);
  if (!FindDvdInterfaces() || !FindTransportAndWindow()) return false;
  // Most graphs have no closed-caption decoder; nothing is missing without one.
  FindInterfaceInGraph(graph_.Get(), IID_IAMLine21Decoder, line21_.ReleaseAndGetAddressOfVoid());
  state_ = GraphState::Stopped;
  return true;
}

bool CDvdGraph::CreateGraphManager() {
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                 graph_.ReleaseAndGetAddressOfVoid())) &&
      SUCCEEDED(QueryInterfaceAs(graph_.Get(), events_.ReleaseAndGetAddressOf())))
    return true;
  showMessage_(kNoGraphManager, kDvdErrorCaption);
  return false;
}

// A navigator of the first generation offers only the older interfaces; the user is told that
// the components are too old rather than that DVDs cannot be played at all.
bool CDvdGraph::FindDvdInterfaces() {
  if (FAILED(FindInterfaceInGraph(graph_.Get(), IID_IDvdInfo2, dvdInfo_.ReleaseAndGetAddressOfVoid()))) {
    ComPtr<IUnknown> older;
    const bool hasOlder =
        SUCCEEDED(FindInterfaceInGraph(graph_.Get(), IID_IDvdInfo, older.ReleaseAndGetAddressOfVoid()));
    showMessage_(hasOlder ? kOlderInfoInterface : kCannotPlay, kDvdErrorCaption);
    return false;
  }
  if (FAILED(FindInterfaceInGraph(graph_.Get(), IID_IDvdControl2, dvdControl_.ReleaseAndGetAddressOfVoid()))) {
    ComPtr<IUnknown> older;
    const bool hasOlder =
        SUCCEEDED(FindInterfaceInGraph(graph_.Get(), IID_IDvdControl, older.ReleaseAndGetAddressOfVoid()));
    showMessage_(hasOlder ? kOlderControlInterface : kCannotPlay, kDvdErrorCaption);
    return false;
  }
  return true;
}

bool CDvdGraph::FindTransportAndWindow() {
  if (SUCCEEDED(QueryInterfaceAs(graph_.Get(), mediaControl_.ReleaseAndGetAddressOf())) &&
      SUCCEEDED(QueryInterfaceAs(graph_.Get(), seeking_.ReleaseAndGetAddressOf())) &&
      SUCCEEDED(FindInterfaceInGraph(graph_.Get(), IID_IVideoWindow, videoWindow_.ReleaseAndGetAddressOfVoid())))
    return true;
  showMessage_(kCannotPlay, kDvdErrorCaption);
  return false;
}

bool CDvdGraph::SetDvdOptions() {
  if (!HasGraph()) return false;
  if (file_) return true;
  if (line21_ && FAILED(line21_->SetServiceState(AM_L21_CCSTATE_Off))) return false;
  return SUCCEEDED(dvdControl_->SetOption(DVD_ResetOnStop, FALSE)) &&
         SUCCEEDED(dvdControl_->SetOption(DVD_NotifyParentalLevelChange, TRUE)) &&
         SUCCEEDED(dvdControl_->SetOption(DVD_HMSF_TimeCodeEvents, TRUE));
}

// ---- teardown ----

void CDvdGraph::TearDownGraph() {
  if (mediaControl_) mediaControl_->Stop();
  if (graph_) RemoveAllFilters();
  ReleaseGraph();
}

// Removing a filter changes the list, so the enumerator starts over after each. A filter the
// graph refuses to let go (it could not be stopped) ends the loop, which would otherwise take
// that filter again for ever; releasing the graph shuts it down in any case.
void CDvdGraph::RemoveAllFilters() {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph_->EnumFilters(filters.ReleaseAndGetAddressOf()))) return;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    if (FAILED(graph_->RemoveFilter(filter.Get()))) break;
    filters->Reset();
  }
}

// The window stays; only the graph lets go of it: no more notices, and the renderer no longer
// owned by it.
void CDvdGraph::ReleaseGraph() {
  graph_.Reset();
  dvdControl_.Reset();
  dvdInfo_.Reset();
  filePlayback_.Reset();
  line21_.Reset();
  mediaControl_.Reset();
  seeking_.Reset();
  if (events_) events_->SetNotifyWindow(nullptr, kGraphNotifyMessage, 0);
  events_.Reset();
  if (videoWindow_) {
    ComPtr<ITarnVideoOutput> output;
    if (SUCCEEDED(videoWindow_->QueryInterface(IID_ITarnVideoOutput, output.ReleaseAndGetAddressOfVoid())))
      output->SetPictureSink(nullptr);
    videoWindow_->put_Owner(0);
  }
  videoWindow_.Reset();
  state_ = GraphState::NoGraph;
}

// ---- transport ----

HRESULT CDvdGraph::Play() {
  HRESULT hr = E_FAIL;
  switch (state_) {
    case GraphState::NoGraph:
      return E_FAIL;
    case GraphState::Running:
      return S_OK;
    case GraphState::NavigatorStopped:
      hr = mediaControl_->Run();
      break;
    case GraphState::Stopped:
    case GraphState::Paused:
      if (file_) {
        // A run from the stop plays the part anew: the end of the run before is no news.
        if (state_ == GraphState::Stopped) {
          DrainNotices();
          fileCompleted_ = false;
        }
      } else {
        dvdControl_->PlayForwards(1.0, DVD_CMD_FLAG_None, nullptr);
      }
      hr = mediaControl_->Run();
      break;
  }
  if (SUCCEEDED(hr)) state_ = GraphState::Running;
  return hr;
}

HRESULT CDvdGraph::TogglePause() {
  if (!HasGraph()) return E_FAIL;
  const bool resume = state_ == GraphState::Paused;
  const HRESULT hr = resume ? mediaControl_->Run() : mediaControl_->Pause();
  if (SUCCEEDED(hr)) state_ = resume ? GraphState::Running : GraphState::Paused;
  return hr;
}

// The navigator forgets its place on this stop only, so that the next play starts afresh.
HRESULT CDvdGraph::StopAll() {
  if (!HasGraph()) return E_FAIL;
  if (file_) {
    const HRESULT hr = mediaControl_->Stop();
    if (SUCCEEDED(hr)) state_ = GraphState::Stopped;
    return hr;
  }
  dvdControl_->SetOption(DVD_ResetOnStop, TRUE);
  const HRESULT hr = mediaControl_->Stop();
  dvdControl_->SetOption(DVD_ResetOnStop, FALSE);
  if (SUCCEEDED(hr)) state_ = GraphState::Stopped;
  return hr;
}

}  // namespace tarn::conv
