#include "media/graph/PathBuilder.h"

#include "media/dshow/FilterSetup.h"
#include "media/graph/PinQueries.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/FilterRegistry.h"

#include <algorithm>

namespace tarn::media::graph {
namespace {

// Deep enough for source -> parser -> decoder -> converter -> encoder ->
// renderer, shallow enough to end a search among converters quickly.
constexpr int kMaxDepth = 8;

// Registered filters that may be brought in by the graph builder itself.
constexpr DWORD kLowestAutomaticMerit = MERIT_DO_NOT_USE + 1;

bool Aborted(IGraphBuilder* graph) { return graph->ShouldOperationContinue() != S_OK; }

}  // namespace

HRESULT PathBuilder::Render(IPin* out) {
  steps_.clear();
  HRESULT hr = RenderPin(out, 0);
  if (FAILED(hr)) RollBack(0);
  steps_.clear();
  return hr;
}

HRESULT PathBuilder::Connect(IPin* out, IPin* in) {
  steps_.clear();
  HRESULT hr = ConnectPins(out, in, 0);
  if (FAILED(hr)) RollBack(0);
  steps_.clear();
  return FAILED(hr) && hr != E_ABORT ? VFW_E_CANNOT_CONNECT : hr;
}

HRESULT PathBuilder::RenderPin(IPin* out, int depth) {
  if (depth > kMaxDepth) return VFW_E_CANNOT_RENDER;
  Continuation renderOutputs = [this](IBaseFilter* filter, int nextDepth) {
    return RenderOutputsOf(filter, nextDepth);
  };
  return ExtendThroughFilters(out, depth, nullptr, renderOutputs);
}

// A filter reached by a new connection: each of its free output pins must
// be rendered in turn. One that cannot be makes the render partial; when
// none can, the way through this filter fails.
HRESULT PathBuilder::RenderOutputsOf(IBaseFilter* filter, int depth) {
  std::vector<ComPtr<IPin>> outputs = PinsOf(filter, PINDIR_OUTPUT);
  std::erase_if(outputs, [](const ComPtr<IPin>& pin) { return IsConnected(pin.Get()); });
  if (outputs.empty()) return S_OK;  // a renderer, or its outputs are in use already

  int rendered = 0;
  bool partial = false;
  for (const auto& output : outputs) {
    if (Aborted(graph_)) return E_ABORT;
    HRESULT hr = RenderPin(output.Get(), depth);
    if (SUCCEEDED(hr)) {
      ++rendered;
      partial = partial || hr == VFW_S_PARTIAL_RENDER;
    } else {
      if (hr == E_ABORT) return hr;
      partial = true;
    }
  }
  if (rendered == 0) return VFW_E_CANNOT_RENDER;
  return partial ? VFW_S_PARTIAL_RENDER : S_OK;
}

HRESULT PathBuilder::ConnectPins(IPin* out, IPin* in, int depth) {
  if (SUCCEEDED(graph_->ConnectDirect(out, in, nullptr))) {
    steps_.push_back({ComPtr<IPin>(out), nullptr});
    return S_OK;
  }
  if (depth >= kMaxDepth) return VFW_E_CANNOT_CONNECT;
  ComPtr<IBaseFilter> target = FilterOf(in);
  Continuation reachTarget = [this, in](IBaseFilter* filter, int nextDepth) -> HRESULT {
    for (const auto& output : PinsOf(filter, PINDIR_OUTPUT)) {
      if (IsConnected(output.Get())) continue;
      if (Aborted(graph_)) return E_ABORT;
      HRESULT hr = ConnectPins(output.Get(), in, nextDepth);
      if (SUCCEEDED(hr) || hr == E_ABORT) return hr;
    }
    return VFW_E_CANNOT_CONNECT;
  };
  return ExtendThroughFilters(out, depth, target.Get(), reachTarget);
}

HRESULT PathBuilder::ExtendThroughFilters(IPin* out, int depth, IBaseFilter* avoidDownstreamOf,
                                          const Continuation& next) {
  if (Aborted(graph_)) return E_ABORT;
  ComPtr<IBaseFilter> source = FilterOf(out);
  for (const auto& filter : FiltersInGraph()) {
    // Never close a loop: nothing at or upstream of the pin's own filter,
    // nothing at or downstream of a connection's target.
    if (IsAtOrUpstreamOf(filter.Get(), source.Get())) continue;
    if (avoidDownstreamOf != nullptr && IsAtOrUpstreamOf(avoidDownstreamOf, filter.Get())) continue;
    HRESULT hr = TryFilter(out, filter.Get(), depth, next);
    if (SUCCEEDED(hr) || hr == E_ABORT) return hr;
  }
  return TryRegisteredFilters(out, depth, next);
}

HRESULT PathBuilder::TryFilter(IPin* out, IBaseFilter* filter, int depth, const Continuation& next) {
  for (const auto& input : PinsOf(filter, PINDIR_INPUT)) {
    if (IsConnected(input.Get())) continue;
    if (FAILED(graph_->ConnectDirect(out, input.Get(), nullptr))) continue;
    const std::size_t mark = Mark();
    steps_.push_back({ComPtr<IPin>(out), nullptr});
    HRESULT hr = next(filter, depth + 1);
    if (SUCCEEDED(hr) || hr == E_ABORT) return hr;
    RollBack(mark);
  }
  return VFW_E_CANNOT_CONNECT;
}

namespace {

// Registered filters whose input pins take a type the pin proposes, highest
// merit first, without classes already on the way to this pin (which would
// only repeat a conversion).
std::vector<RegisteredClass> Candidates(IPin* out) {
  std::vector<std::pair<DWORD, RegisteredClass>> ranked;  // merit, class
  FilterRegistry registry;
  auto types = ProposedTypes(out);
  if (types.empty()) types.emplace_back(GUID_NULL, GUID_NULL);
  for (const auto& [major, subtype] : types) {
    std::vector<RegisteredClass> matches;
    if (FAILED(registry.FindFiltersForInput(CLSID_LegacyAmFilterCategory, major, subtype, kLowestAutomaticMerit,
                                            &matches)))
      continue;
    for (auto& match : matches) {
      const bool known = std::any_of(ranked.begin(), ranked.end(),
                                     [&](const auto& entry) { return entry.second.clsid == match.clsid; });
      if (!known && match.filter) ranked.emplace_back(match.filter->merit, std::move(match));
    }
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<RegisteredClass> found;
  for (auto& entry : ranked) found.push_back(std::move(entry.second));
  ComPtr<IBaseFilter> source = FilterOf(out);
  std::vector<CLSID> onTheWay;
  std::vector<ComPtr<IBaseFilter>> pending{source};
  while (!pending.empty()) {
    ComPtr<IBaseFilter> current = std::move(pending.back());
    pending.pop_back();
    if (!current) continue;
    onTheWay.push_back(ClassOf(current.Get()));
    for (auto& up : UpstreamFilters(current.Get())) pending.push_back(std::move(up));
  }
  std::erase_if(found, [&](const RegisteredClass& c) {
    return std::find(onTheWay.begin(), onTheWay.end(), c.clsid) != onTheWay.end();
  });
  return found;
}

}  // namespace

HRESULT PathBuilder::TryRegisteredFilters(IPin* out, int depth, const Continuation& next) {
  for (const auto& candidate : Candidates(out)) {
    if (Aborted(graph_)) return E_ABORT;
    ComPtr<IBaseFilter> filter;
    if (FAILED(CoCreateInstance(candidate.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                filter.ReleaseAndGetAddressOfVoid())) ||
        !filter)
      continue;
    const std::size_t mark = Mark();
    if (FAILED(graph_->AddFilter(filter.Get(), candidate.filter->friendlyName.c_str()))) continue;
    steps_.push_back({nullptr, filter});
    HRESULT hr = TryFilter(out, filter.Get(), depth, next);
    if (SUCCEEDED(hr) || hr == E_ABORT) return hr;
    RollBack(mark);
  }
  return VFW_E_CANNOT_RENDER;
}

std::vector<ComPtr<IBaseFilter>> PathBuilder::FiltersInGraph() {
  std::vector<ComPtr<IBaseFilter>> filters;
  ComPtr<IEnumFilters> enumerator;
  if (FAILED(graph_->EnumFilters(enumerator.ReleaseAndGetAddressOf())) || !enumerator) return filters;
  for (;;) {
    IBaseFilter* filter = nullptr;
    ULONG fetched = 0;
    if (enumerator->Next(1, &filter, &fetched) != S_OK || fetched != 1) break;
    filters.push_back(ComPtr<IBaseFilter>::Attach(filter));
  }
  return filters;
}

void PathBuilder::RollBack(std::size_t mark) {
  while (steps_.size() > mark) {
    Step step = std::move(steps_.back());
    steps_.pop_back();
    if (step.connectedOutput) {
      ComPtr<IPin> peer = PeerOf(step.connectedOutput.Get());
      graph_->Disconnect(step.connectedOutput.Get());
      if (peer) graph_->Disconnect(peer.Get());
    }
    if (step.addedFilter) graph_->RemoveFilter(step.addedFilter.Get());
  }
}

}  // namespace tarn::media::graph
