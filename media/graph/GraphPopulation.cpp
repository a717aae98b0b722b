#include "media/graph/GraphPopulation.h"

#include <algorithm>
#include <optional>
#include <string>

#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/TextConversion.h"

namespace tarn::media::graph {
namespace {

std::optional<std::string> FriendlyName(IMoniker* moniker) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid())))
    return std::nullopt;
  VARIANT name;
  VariantInit(&name);
  std::optional<std::string> text;
  if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR && name.bstrVal != nullptr)
    text = WideToUtf8(name.bstrVal);
  VariantClear(&name);
  return text;
}

// A registered filter of one of the wanted names, bound but not yet in the graph.
struct Match {
  std::size_t index;  // into the wanted names
  std::string name;
  ComPtr<IBaseFilter> filter;
};

std::optional<Match> Bind(IMoniker* moniker, std::span<const std::string_view> names) {
  std::optional<std::string> name = FriendlyName(moniker);
  if (!name) return std::nullopt;
  const auto wanted = std::find(names.begin(), names.end(), *name);
  if (wanted == names.end()) return std::nullopt;
  ComPtr<IBaseFilter> filter;
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid())))
    return std::nullopt;
  return Match{static_cast<std::size_t>(wanted - names.begin()), std::move(*name), std::move(filter)};
}

void Add(IGraphBuilder* graph, const Match& match, FiltersAdded& added) {
  if (FAILED(graph->AddFilter(match.filter.Get(), Utf8ToWide(match.name).c_str()))) return;
  added.found[match.index] = true;
  if (!added.first[match.index]) added.first[match.index] = match.filter;
}

// The filter itself, else the first of its pins, that answers `iid`.
HRESULT FindInterfaceOnFilter(IBaseFilter* filter, REFIID iid, void** found) {
  if (SUCCEEDED(filter->QueryInterface(iid, found))) return S_OK;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (SUCCEEDED(pin->QueryInterface(iid, found))) return S_OK;
  return E_FAIL;
}

}  // namespace

HRESULT AddFiltersByFriendlyName(IGraphBuilder* graph, std::span<const std::string_view> names, FiltersAdded* added) {
  if (graph == nullptr || added == nullptr) return E_POINTER;
  added->found.assign(names.size(), false);
  added->first.assign(names.size(), nullptr);
  ComPtr<ICreateDevEnum> devices;
  const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                      devices.ReleaseAndGetAddressOfVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
    return S_FALSE;
  std::vector<Match> matches;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (std::optional<Match> match = Bind(moniker.Get(), names)) matches.push_back(std::move(*match));
  // The graph builder tries the graph's filters in the order they were added, so they go in by
  // the caller's list, not by where each library happens to stand in the registry.
  std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return a.index < b.index; });
  for (const Match& match : matches) Add(graph, match, *added);
  return S_OK;
}

void RenderUnconnectedOutputs(IGraphBuilder* graph, IBaseFilter* filter, int count) {
  if (graph == nullptr || filter == nullptr) return;
  std::vector<ComPtr<IPin>> tried;  // holds the skipped pins alive
  std::vector<IPin*> skipped;
  for (int i = 0; i < count; ++i) {
    ComPtr<IPin> pin;
    if (FAILED(FindUnconnectedPin(filter, PINDIR_OUTPUT, pin.ReleaseAndGetAddressOf(), skipped))) continue;
    graph->Render(pin.Get());
    skipped.push_back(pin.Get());
    tried.push_back(std::move(pin));
  }
}

HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin,
                           const std::vector<IPin*>& skipped) {
  if (filter == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IPin> candidate;
  while (pins->Next(1, candidate.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION pinDirection{};
    if (FAILED(candidate->QueryDirection(&pinDirection)) || pinDirection != direction) continue;
    if (std::find(skipped.begin(), skipped.end(), candidate.Get()) != skipped.end()) continue;
    ComPtr<IPin> peer;
    if (FAILED(candidate->ConnectedTo(peer.ReleaseAndGetAddressOf()))) {
      *pin = candidate.Detach();
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT FindInterfaceInGraph(IFilterGraph* graph, REFIID iid, void** found) {
  if (graph == nullptr || found == nullptr) return E_POINTER;
  *found = nullptr;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (SUCCEEDED(FindInterfaceOnFilter(filter.Get(), iid, found))) return S_OK;
  return E_FAIL;
}

}  // namespace tarn::media::graph
