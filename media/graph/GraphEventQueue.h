// The queue of events the graph hands to its application.
//
// Filters add events from their streaming threads; the application takes
// them on its own thread, by polling, by waiting, or when the notify target
// tells it that something arrived (one notification per event).
#pragma once

#include "media/base/AmEvent.h"
#include "media/graph/GraphInterfaces.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tarn::media::graph {

struct GraphEvent {
  LONG code = 0;
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
};

class GraphEventQueue {
 public:
  GraphEventQueue();

  void Push(const GraphEvent& event);
  // Waits up to msTimeout (negative: for ever); false when nothing came.
  bool Take(GraphEvent* event, LONG msTimeout);
  void Clear();

  void SetNotifyTarget(OAHWND target, LONG message, LONG_PTR param);
  void SetNotifyFlags(LONG flags);
  LONG NotifyFlags();

  // Set while events wait; for callers that poll a handle.
  CAMEvent* Handle() { return &nonEmpty_; }

 private:
  void Announce();

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<GraphEvent> events_;
  CAMEvent nonEmpty_{true};

  // Separate (and recursive) so that a target may call back into the graph
  // from PostGraphNotify, and so that clearing the target waits for a
  // notification in progress.
  std::recursive_mutex targetMutex_;
  OAHWND target_ = nullptr;
  LONG message_ = 0;
  LONG_PTR param_ = 0;
  LONG flags_ = 0;
};

}  // namespace tarn::media::graph
