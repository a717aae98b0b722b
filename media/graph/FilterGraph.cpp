// CFilterGraph: identity, membership of filters and connections.
#include "media/graph/FilterGraph.h"

#include "media/base/Enumerators.h"
#include "media/graph/GraphFilterEnum.h"
#include "media/graph/GraphMediaFilter.h"
#include "media/graph/GraphSeeking.h"
#include "media/graph/PathBuilder.h"
#include "media/graph/PinQueries.h"
#include "media/graph/SystemClock.h"
#include "media/registry/ComRuntime.h"

#include <algorithm>
#include <cstdio>
#include <new>

using namespace tarn::media::graph;

CFilterGraph::CFilterGraph(IUnknown* outer)
    : CUnknown(L"Filter graph", outer),
      mediaFilter_(std::make_unique<CGraphMediaFilter>(*this)),
      seeking_(std::make_unique<CGraphSeeking>(*this)) {}

CFilterGraph::~CFilterGraph() { Shutdown(); }

CUnknown* CFilterGraph::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* graph = new (std::nothrow) CFilterGraph(outer);
  if (graph == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return graph;
}

// Stops streaming, then lets every filter go: disconnected, told it left
// the graph, and without a clock (a filter holding its own clock would
// otherwise keep itself alive).
void CFilterGraph::Shutdown() {
  Stop();
  events_.SetNotifyTarget(nullptr, 0, 0);
  CAutoLock lock(&graphLock_);
  for (auto& member : members_) DisconnectAllPins(member.filter.Get());
  for (auto& member : members_) {
    member.filter->SetSyncSource(nullptr);
    member.filter->JoinFilterGraph(nullptr, nullptr);
  }
  members_.clear();
  clock_.Reset();
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IGraphBuilder) return GetInterface(static_cast<IGraphBuilder*>(this), ppv);
  if (riid == IID_IFilterGraph) return GetInterface(static_cast<IFilterGraph*>(this), ppv);
  if (riid == IID_IMediaControl) return GetInterface(static_cast<IMediaControl*>(this), ppv);
  if (riid == IID_IMediaEventEx) return GetInterface(static_cast<IMediaEventEx*>(this), ppv);
  if (riid == IID_IMediaEvent) return GetInterface(static_cast<IMediaEvent*>(this), ppv);
  if (riid == IID_IMediaEventSink) return GetInterface(static_cast<IMediaEventSink*>(this), ppv);
  if (riid == IID_IMediaFilter) return GetInterface(mediaFilter_.get(), ppv);
  if (riid == IID_IPersist) return GetInterface(static_cast<IPersist*>(mediaFilter_.get()), ppv);
  if (riid == IID_IMediaSeeking) return GetInterface(seeking_.get(), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

// ---- membership ----

std::vector<ComPtr<IBaseFilter>> CFilterGraph::Snapshot() {
  CAutoLock lock(&graphLock_);
  std::vector<ComPtr<IBaseFilter>> filters;
  filters.reserve(members_.size());
  for (const auto& member : members_) filters.push_back(member.filter);
  return filters;
}

bool CFilterGraph::Contains(IBaseFilter* filter) {
  CAutoLock lock(&graphLock_);
  return std::any_of(members_.begin(), members_.end(),
                     [filter](const Member& member) { return member.filter.Get() == filter; });
}

bool CFilterGraph::PinInGraph(IPin* pin) {
  ComPtr<IBaseFilter> filter = FilterOf(pin);
  return filter && Contains(filter.Get());
}

// The wanted name when it is free, else the name with the first free
// " 0001"-style number; a filter without a name is called by its number.
std::wstring CFilterGraph::UniqueName(LPCWSTR wanted) {
  auto taken = [this](const std::wstring& name) {
    return std::any_of(members_.begin(), members_.end(), [&](const Member& m) { return m.name == name; });
  };
  std::wstring base = wanted != nullptr ? wanted : L"";
  // Leave room for the number within the framework's name length.
  if (base.size() > MAX_FILTER_NAME - 6) base.resize(MAX_FILTER_NAME - 6);
  if (!base.empty() && !taken(base)) return base;
  for (unsigned n = 1;; ++n) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, base.empty() ? L"%04u" : L" %04u", n);
    std::wstring candidate = base + suffix;
    if (!taken(candidate)) return candidate;
  }
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  if (filter == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  if (Contains(filter)) return E_INVALIDARG;
  const std::wstring unique = UniqueName(name);
  const bool renamed = name == nullptr || unique != name;
  HRESULT hr = filter->JoinFilterGraph(static_cast<IFilterGraph*>(this), unique.c_str());
  if (FAILED(hr)) return hr;
  members_.push_back({ComPtr<IBaseFilter>(filter), unique});
  ++version_;
  // A filter joining a paused or running graph keeps to the graph's clock.
  if (clock_) filter->SetSyncSource(clock_.Get());
  return renamed && name != nullptr ? VFW_S_DUPLICATE_NAME : S_OK;
}

void CFilterGraph::DisconnectAllPins(IBaseFilter* filter) {
  for (const auto& pin : PinsOf(filter)) {
    ComPtr<IPin> peer = PeerOf(pin.Get());
    if (!peer) continue;
    peer->Disconnect();
    pin->Disconnect();
  }
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (filter == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  auto it = std::find_if(members_.begin(), members_.end(),
                         [filter](const Member& member) { return member.filter.Get() == filter; });
  if (it == members_.end()) return VFW_E_NOT_FOUND;
  // Pins of streaming filters refuse to disconnect: removing a filter from
  // a paused or running graph would leave its neighbours half connected to it.
  if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  ComPtr<IBaseFilter> leaving = it->filter;
  DisconnectAllPins(leaving.Get());
  members_.erase(it);
  ++version_;

  ComPtr<IUnknown> leavingIdentity;
  ComPtr<IUnknown> clockIdentity;
  leaving.As(&leavingIdentity);
  if (clock_) clock_.As(&clockIdentity);
  leaving->SetSyncSource(nullptr);
  leaving->JoinFilterGraph(nullptr, nullptr);
  if (clockIdentity && clockIdentity == leavingIdentity) {
    // The clock went with its filter: nobody keeps time by it any more.
    clock_.Reset();
    for (const auto& member : members_) member.filter->SetSyncSource(nullptr);
  }
  return S_OK;
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  return HandOut(new (std::nothrow) CEnumGraphFilters(this, version_), enumerator);
}

HRESULT CFilterGraph::FilterAt(std::size_t index, std::uint64_t version, ComPtr<IBaseFilter>* filter) {
  CAutoLock lock(&graphLock_);
  if (version != version_) return VFW_E_ENUM_OUT_OF_SYNC;
  if (index >= members_.size()) return S_FALSE;
  *filter = members_[index].filter;
  return S_OK;
}

HRESULT CFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  if (name == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  CAutoLock lock(&graphLock_);
  for (const auto& member : members_)
    if (member.name == name) return member.filter.CopyTo(filter);
  return VFW_E_NOT_FOUND;
}

// ---- connections ----

HRESULT CFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mediaType) {
  if (out == nullptr || in == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  if (!PinInGraph(out) || !PinInGraph(in)) return VFW_E_NOT_IN_GRAPH;
  if (!IsDirection(out, PINDIR_OUTPUT) || !IsDirection(in, PINDIR_INPUT)) return VFW_E_INVALID_DIRECTION;
  return out->Connect(in, mediaType);
}

HRESULT CFilterGraph::Disconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  return pin->Disconnect();
}

// Breaks the pin's connection and makes it again with the same media type
// (after a filter changed what it can offer).
HRESULT CFilterGraph::Reconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  ComPtr<IPin> peer = PeerOf(pin);
  if (!peer) return VFW_E_NOT_CONNECTED;
  CMediaType type;
  HRESULT hr = pin->ConnectionMediaType(&type);
  if (FAILED(hr)) return hr;
  const bool pinIsOutput = IsDirection(pin, PINDIR_OUTPUT);
  IPin* out = pinIsOutput ? pin : peer.Get();
  IPin* in = pinIsOutput ? peer.Get() : pin;
  if (FAILED(hr = out->Disconnect()) || FAILED(hr = in->Disconnect())) return hr;
  return out->Connect(in, &type);
}

HRESULT CFilterGraph::Connect(IPin* out, IPin* in) {
  if (out == nullptr || in == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  if (!PinInGraph(out) || !PinInGraph(in)) return VFW_E_NOT_IN_GRAPH;
  if (!IsDirection(out, PINDIR_OUTPUT) || !IsDirection(in, PINDIR_INPUT)) return VFW_E_INVALID_DIRECTION;
  if (IsConnected(out) || IsConnected(in)) return VFW_E_ALREADY_CONNECTED;
  abort_ = false;
  return PathBuilder(this).Connect(out, in);
}

HRESULT CFilterGraph::Render(IPin* out) {
  if (out == nullptr) return E_POINTER;
  CAutoLock lock(&graphLock_);
  if (!PinInGraph(out)) return VFW_E_NOT_IN_GRAPH;
  if (!IsDirection(out, PINDIR_OUTPUT)) return VFW_E_INVALID_DIRECTION;
  if (IsConnected(out)) return VFW_E_ALREADY_CONNECTED;
  abort_ = false;
  return PathBuilder(this).Render(out);
}

HRESULT CFilterGraph::Abort() {
  abort_ = true;
  return S_OK;
}

HRESULT CFilterGraph::ShouldOperationContinue() { return abort_ ? S_FALSE : S_OK; }

namespace tarn::media {

void RegisterFilterGraphClasses() {
  RegisterBuiltInClass(CLSID_FilterGraph, &CFilterGraph::CreateInstance);
  RegisterBuiltInClass(CLSID_SystemClock, &CSystemClock::CreateInstance);
}

}  // namespace tarn::media
