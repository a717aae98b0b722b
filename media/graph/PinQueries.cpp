#include "media/graph/PinQueries.h"

#include <algorithm>

namespace tarn::media::graph {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> enumerator;
  if (filter == nullptr || FAILED(filter->EnumPins(enumerator.ReleaseAndGetAddressOf())) || !enumerator) return pins;
  for (;;) {
    IPin* pin = nullptr;
    ULONG fetched = 0;
    if (enumerator->Next(1, &pin, &fetched) != S_OK || fetched != 1) break;
    pins.push_back(ComPtr<IPin>::Attach(pin));
  }
  return pins;
}

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
  std::vector<ComPtr<IPin>> pins = PinsOf(filter);
  std::erase_if(pins, [direction](const ComPtr<IPin>& pin) { return !IsDirection(pin.Get(), direction); });
  return pins;
}

bool IsDirection(IPin* pin, PIN_DIRECTION direction) {
  PIN_DIRECTION actual;
  return pin != nullptr && SUCCEEDED(pin->QueryDirection(&actual)) && actual == direction;
}

ComPtr<IPin> PeerOf(IPin* pin) {
  IPin* peer = nullptr;
  if (pin == nullptr || FAILED(pin->ConnectedTo(&peer))) return nullptr;
  return ComPtr<IPin>::Attach(peer);
}

bool IsConnected(IPin* pin) { return PeerOf(pin) != nullptr; }

ComPtr<IBaseFilter> FilterOf(IPin* pin) {
  PIN_INFO info;
  if (pin == nullptr || FAILED(pin->QueryPinInfo(&info))) return nullptr;
  return ComPtr<IBaseFilter>::Attach(info.pFilter);
}

bool IsRenderer(IBaseFilter* filter) { return PinsOf(filter, PINDIR_OUTPUT).empty(); }

bool HasConnectedInput(IBaseFilter* filter) {
  const auto inputs = PinsOf(filter, PINDIR_INPUT);
  return std::any_of(inputs.begin(), inputs.end(), [](const ComPtr<IPin>& pin) { return IsConnected(pin.Get()); });
}

namespace {

std::vector<ComPtr<IBaseFilter>> NeighbourFilters(IBaseFilter* filter, PIN_DIRECTION side) {
  std::vector<ComPtr<IBaseFilter>> neighbours;
  for (const auto& pin : PinsOf(filter, side)) {
    ComPtr<IPin> peer = PeerOf(pin.Get());
    if (!peer) continue;
    ComPtr<IBaseFilter> other = FilterOf(peer.Get());
    if (other && std::find(neighbours.begin(), neighbours.end(), other) == neighbours.end())
      neighbours.push_back(other);
  }
  return neighbours;
}

}  // namespace

std::vector<ComPtr<IBaseFilter>> UpstreamFilters(IBaseFilter* filter) { return NeighbourFilters(filter, PINDIR_INPUT); }
std::vector<ComPtr<IBaseFilter>> DownstreamFilters(IBaseFilter* filter) {
  return NeighbourFilters(filter, PINDIR_OUTPUT);
}

bool IsAtOrUpstreamOf(IBaseFilter* candidate, IBaseFilter* filter) {
  std::vector<ComPtr<IBaseFilter>> pending{ComPtr<IBaseFilter>(filter)};
  std::vector<IBaseFilter*> seen;
  while (!pending.empty()) {
    ComPtr<IBaseFilter> current = std::move(pending.back());
    pending.pop_back();
    if (current.Get() == candidate) return true;
    if (std::find(seen.begin(), seen.end(), current.Get()) != seen.end()) continue;
    seen.push_back(current.Get());
    for (auto& up : UpstreamFilters(current.Get())) pending.push_back(std::move(up));
  }
  return false;
}

std::vector<std::pair<GUID, GUID>> ProposedTypes(IPin* pin) {
  std::vector<std::pair<GUID, GUID>> types;
  ComPtr<IEnumMediaTypes> enumerator;
  if (pin == nullptr || FAILED(pin->EnumMediaTypes(enumerator.ReleaseAndGetAddressOf())) || !enumerator) return types;
  for (;;) {
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    if (enumerator->Next(1, &type, &fetched) != S_OK || fetched != 1) break;
    std::pair<GUID, GUID> key{type->majortype, type->subtype};
    DeleteMediaType(type);
    if (std::find(types.begin(), types.end(), key) == types.end()) types.push_back(key);
  }
  return types;
}

CLSID ClassOf(IBaseFilter* filter) {
  CLSID clsid = GUID_NULL;
  if (filter == nullptr || FAILED(filter->GetClassID(&clsid))) return GUID_NULL;
  return clsid;
}

}  // namespace tarn::media::graph
