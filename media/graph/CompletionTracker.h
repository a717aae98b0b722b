// Decides when a run of the graph is complete: once every renderer counted
// at the start of streaming has reported EC_COMPLETE (each counted once).
#pragma once

#include "media/dshow/Interfaces.h"

#include <mutex>
#include <optional>
#include <vector>

namespace tarn::media::graph {

class CompletionTracker {
 public:
  // Starts a new run with these renderers (identities only, not held).
  void Start(std::vector<const IBaseFilter*> renderers);
  // Forgets the run: late reports of a stopped graph are ignored.
  void Stop();
  // Records a renderer's report; gives the result to announce when this
  // report completes the run (the first failure, else S_OK), else nothing.
  std::optional<HRESULT> Report(const IBaseFilter* filter, HRESULT result);

 private:
  std::mutex mutex_;
  bool active_ = false;
  bool announced_ = false;
  std::vector<const IBaseFilter*> pending_;
  HRESULT result_ = S_OK;
};

}  // namespace tarn::media::graph
