// PathBuilder: the graph's intelligent connect.
//
// Render completes the path from an output pin down to renderers; Connect
// joins an output pin to a given input pin. Both try a direct connection
// first, then go through the filters already in the graph (in the order
// they were added), then through registered filters of the filter category
// in merit order, using their registered input types as a quick pre-filter.
// A registered filter of merit MERIT_DO_NOT_USE or lower is never brought in
// by itself; it takes part only when the application put it in the graph.
//
// Every connection made and every filter added on a way that fails is
// undone, so a failed attempt leaves the graph as it found it.
#pragma once

#include "media/com/ComPtr.h"
#include "media/graph/GraphInterfaces.h"

#include <functional>
#include <vector>

namespace tarn::media::graph {

class PathBuilder {
 public:
  explicit PathBuilder(IGraphBuilder* graph) : graph_(graph) {}

  // S_OK when every new branch ends at a renderer; VFW_S_PARTIAL_RENDER
  // when some output pins along the way found no taker (they stay
  // unconnected); VFW_E_CANNOT_RENDER when nothing took the pin.
  HRESULT Render(IPin* out);
  // S_OK, or VFW_E_CANNOT_CONNECT when no way was found.
  HRESULT Connect(IPin* out, IPin* in);

 private:
  // Called once `out` is connected to an input pin of `filter`; decides
  // whether the way through that filter leads where we want.
  using Continuation = std::function<HRESULT(IBaseFilter* filter, int depth)>;

  HRESULT RenderPin(IPin* out, int depth);
  HRESULT RenderOutputsOf(IBaseFilter* filter, int depth);
  HRESULT ConnectPins(IPin* out, IPin* in, int depth);
  // Tries the filters in the graph, then registered ones, to go on from `out`.
  HRESULT ExtendThroughFilters(IPin* out, int depth, IBaseFilter* avoidDownstreamOf, const Continuation& next);
  HRESULT TryFilter(IPin* out, IBaseFilter* filter, int depth, const Continuation& next);
  HRESULT TryRegisteredFilters(IPin* out, int depth, const Continuation& next);
  std::vector<ComPtr<IBaseFilter>> FiltersInGraph();

  // The undo log: outputs we connected and filters we added, in order.
  struct Step {
    ComPtr<IPin> connectedOutput;
    ComPtr<IBaseFilter> addedFilter;
  };
  std::size_t Mark() const { return steps_.size(); }
  void RollBack(std::size_t mark);

  IGraphBuilder* graph_;
  std::vector<Step> steps_;
};

}  // namespace tarn::media::graph
