#include "media/graph/GraphEventQueue.h"

#include <chrono>

namespace tarn::media::graph {

GraphEventQueue::GraphEventQueue() = default;

void GraphEventQueue::Push(const GraphEvent& event) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    nonEmpty_.Set();
  }
  arrived_.notify_all();
  Announce();
}

void GraphEventQueue::Announce() {
  std::lock_guard lock(targetMutex_);
  if (target_ != nullptr && (flags_ & AM_MEDIAEVENT_NONOTIFY) == 0) target_->PostGraphNotify(message_, param_);
}

bool GraphEventQueue::Take(GraphEvent* event, LONG msTimeout) {
  std::unique_lock lock(mutex_);
  auto ready = [this] { return !events_.empty(); };
  if (msTimeout < 0) {
    arrived_.wait(lock, ready);
  } else if (!arrived_.wait_for(lock, std::chrono::milliseconds(msTimeout), ready)) {
    return false;
  }
  *event = events_.front();
  events_.pop_front();
  if (events_.empty()) nonEmpty_.Reset();
  return true;
}

void GraphEventQueue::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
  nonEmpty_.Reset();
}

void GraphEventQueue::SetNotifyTarget(OAHWND target, LONG message, LONG_PTR param) {
  std::lock_guard lock(targetMutex_);
  target_ = target;
  message_ = message;
  param_ = param;
}

void GraphEventQueue::SetNotifyFlags(LONG flags) {
  std::lock_guard lock(targetMutex_);
  flags_ = flags;
}

LONG GraphEventQueue::NotifyFlags() {
  std::lock_guard lock(targetMutex_);
  return flags_;
}

}  // namespace tarn::media::graph
