// Filling the graph: the wanted filters found by friendly name in the filter category, with a
// warning for each one missing that matters, then every output of the DVD navigator rendered by
// the graph builder.
#pragma once

#include <string>
#include <vector>

#include "converter/graph/dvd_graph.h"
#include "media/graph/GraphPopulation.h"

namespace tarn::conv {

// The navigator and the MPEG decoder; a missing decoder is reported as a warning. Fails only
// when the device enumerator cannot be made.
HRESULT AddPreviewFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage);
// The same plus both encoders and the PCM wrapper, with a warning for each missing encoder.
HRESULT AddConversionFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage);

// A video file's graph: the file source with the file loaded (its sound from `audioStream`) and,
// for conversion, both encoders and the PCM wrapper, with a warning for each missing encoder;
// the source's pictures and sound rendered. Fails with `error` saying why when the file source
// is missing or cannot read the file.
HRESULT AddFileFilters(IGraphBuilder* graph, GraphVariant variant, const std::string& path, unsigned audioStream,
                       const MessageBoxFunction& showMessage, ComPtr<IBaseFilter>& source, std::string& error);

// The searches over the graph's pins and filters live with the graph manager.
using media::graph::FindInterfaceInGraph;
using media::graph::FindUnconnectedPin;

}  // namespace tarn::conv
