#include "media/graph/CompletionTracker.h"

#include <algorithm>

namespace tarn::media::graph {

void CompletionTracker::Start(std::vector<const IBaseFilter*> renderers) {
  std::lock_guard lock(mutex_);
  pending_ = std::move(renderers);
  active_ = true;
  announced_ = false;
  result_ = S_OK;
}

void CompletionTracker::Stop() {
  std::lock_guard lock(mutex_);
  active_ = false;
  pending_.clear();
}

std::optional<HRESULT> CompletionTracker::Report(const IBaseFilter* filter, HRESULT result) {
  std::lock_guard lock(mutex_);
  if (!active_ || announced_) return std::nullopt;
  auto it = std::find(pending_.begin(), pending_.end(), filter);
  if (it == pending_.end()) return std::nullopt;  // not a renderer, or reported already
  pending_.erase(it);
  if (FAILED(result) && SUCCEEDED(result_)) result_ = result;
  if (!pending_.empty()) return std::nullopt;
  announced_ = true;
  return result_;
}

}  // namespace tarn::media::graph
