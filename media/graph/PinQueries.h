// Small questions the graph asks about pins and filters through their
// interfaces only (filters may come from any library).
#pragma once

#include "media/com/ComPtr.h"
#include "media/dshow/Interfaces.h"

#include <vector>

namespace tarn::media::graph {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter);
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction);
bool IsDirection(IPin* pin, PIN_DIRECTION direction);
// The connected peer, or null.
ComPtr<IPin> PeerOf(IPin* pin);
bool IsConnected(IPin* pin);
// The filter the pin belongs to.
ComPtr<IBaseFilter> FilterOf(IPin* pin);
// A filter without output pins ends a path.
bool IsRenderer(IBaseFilter* filter);
bool HasConnectedInput(IBaseFilter* filter);
// Filters whose output pins feed this filter's input pins.
std::vector<ComPtr<IBaseFilter>> UpstreamFilters(IBaseFilter* filter);
std::vector<ComPtr<IBaseFilter>> DownstreamFilters(IBaseFilter* filter);
// True when `candidate` is `filter` or lies upstream of it.
bool IsAtOrUpstreamOf(IBaseFilter* candidate, IBaseFilter* filter);
// The (major type, subtype) pairs a pin proposes, in its order, without repeats.
std::vector<std::pair<GUID, GUID>> ProposedTypes(IPin* pin);
// The filter's class id, GUID_NULL when it has none.
CLSID ClassOf(IBaseFilter* filter);

}  // namespace tarn::media::graph
