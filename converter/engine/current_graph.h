// The graph object with the variant last built for it. The controller switches variants; the
// disc browser must not let the navigator play through the conversion graph (the encoders would
// open and overwrite the last movie and sound files), and nothing may rebuild the graph while a
// run is playing through it.
#pragma once

#include <optional>

#include "converter/graph/dvd_graph.h"

namespace tarn::conv {

class CurrentGraph {
 public:
  explicit CurrentGraph(CDvdGraph& graph) : graph_(graph) {}

  CDvdGraph& Graph() { return graph_; }
  std::optional<GraphVariant> Variant() const { return variant_; }
  bool Is(GraphVariant variant) const { return variant_ == variant; }

  // The window's first build. The variant counts as current even when the build failed: the
  // actions then rebuild or fail quietly, as the graph object reports its own errors.
  void BuildAtStartUp(GraphVariant variant) {
    graph_.Build(variant);
    variant_ = variant;
  }
  void Rebuild(GraphVariant variant) {
    if (variant == GraphVariant::Preview)
      graph_.RebuildForPreview();
    else
      graph_.RebuildForConversion();
    variant_ = variant;
  }

  // True while a conversion or preview run plays through the graph.
  bool Busy() const { return busy_; }
  void SetBusy(bool busy) { busy_ = busy; }

 private:
  CDvdGraph& graph_;
  std::optional<GraphVariant> variant_;
  bool busy_ = false;
};

}  // namespace tarn::conv
