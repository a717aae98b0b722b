// Filling the graph: the wanted filters found by friendly name in the filter category, then every
// output of the DVD navigator rendered by the graph builder; and the searches over the graph's
// filters and pins the graph object makes afterwards.
#pragma once

#include <vector>

#include "converter/graph/dvd_graph.h"

namespace tarn::conv {

// The navigator and the MPEG decoder; a missing decoder is reported as a warning. Fails only
// when the device enumerator cannot be made.
HRESULT AddPreviewFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage);
// The same plus both encoders and the PCM wrapper, with a warning for each missing encoder.
HRESULT AddConversionFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage);

// The filter's first pin of that direction whose ConnectedTo fails, skipping the pins in
// `skipped`; E_FAIL and no pin when there is none.
HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin,
                           const std::vector<IPin*>& skipped = {});

// The first filter of the graph, or else one of its pins, that answers `iid`.
HRESULT FindInterfaceInGraph(IFilterGraph* graph, REFIID iid, void** found);

}  // namespace tarn::conv
