// Decoded pictures between the file source's decoding thread and its streaming thread, so that
// decoding the next pictures overlaps with the graph's work on the current one. Each picture is
// decoded straight into a sample of the pin's allocator, which also bounds the queue: the
// decoding thread waits for a free sample once the allocator has none.
#pragma once

#include "media/com/ComPtr.h"
#include "media/dshow/Interfaces.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tarn::platform {

class PictureQueue {
 public:
  // Empties the queue and clears the end and cancel marks.
  void Reset();

  // Producer side: a filled sample, in the order of the stream; dropped once cancelled.
  void Push(ComPtr<IMediaSample> picture);
  // No more pictures will come; `failed` tells the consumer the stream broke.
  void Finish(bool failed);

  // Consumer side: the oldest picture (null at the end or once cancelled).
  ComPtr<IMediaSample> Pop();
  bool Failed() const;
  bool Cancelled() const;

  // Wakes the consumer for good and hands the samples still queued back to their allocator (a
  // stop).
  void Cancel();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ComPtr<IMediaSample>> filled_;
  bool finished_ = false;
  bool failed_ = false;
  bool cancelled_ = false;
};

}  // namespace tarn::platform
