// Filling a graph from the filter category: filters added by their friendly names, and a
// source's outputs rendered one pin at a time; and the searches an application makes over the
// graph afterwards. Through interfaces only, so any graph builder and any filters will do.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "media/com/ComPtr.h"
#include "media/dshow/Interfaces.h"
#include "media/graph/GraphInterfaces.h"

namespace tarn::media::graph {

struct FiltersAdded {
  std::vector<bool> found;                 // per wanted name: at least one filter added
  std::vector<ComPtr<IBaseFilter>> first;  // per wanted name: the first filter added, or null
};

// Adds every registered filter whose friendly name (UTF-8) is one of `names`, named in the graph
// by that name, in the order of `names` (filters of one name in the category's order). The
// category's order is only where each library was registered, and the graph builder tries the
// filters in the graph in the order they were added: so the same names give the same graph
// whatever the registry's order. A filter that cannot be made or added is passed over.
// Fails only when the device enumerator cannot be made; an empty category adds nothing and
// answers S_FALSE.
HRESULT AddFiltersByFriendlyName(IGraphBuilder* graph, std::span<const std::string_view> names, FiltersAdded* added);

// Renders the filter's unconnected output pins one at a time, at most `count` of them. A pin the
// graph builder cannot render stays unconnected and is not taken again, so that the pins after it
// are still rendered.
void RenderUnconnectedOutputs(IGraphBuilder* graph, IBaseFilter* filter, int count);

// The filter's first pin of that direction whose ConnectedTo fails, skipping the pins in
// `skipped`; E_FAIL and no pin when there is none.
HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin,
                           const std::vector<IPin*>& skipped = {});

// The first filter of the graph, or else one of its pins, that answers `iid`.
HRESULT FindInterfaceInGraph(IFilterGraph* graph, REFIID iid, void** found);

}  // namespace tarn::media::graph
