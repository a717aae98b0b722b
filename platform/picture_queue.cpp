#include "platform/picture_queue.h"

#include <utility>

namespace tarn::platform {

void PictureQueue::Reset() {
  std::lock_guard lock(mutex_);
  filled_.clear();
  finished_ = failed_ = cancelled_ = false;
}

void PictureQueue::Push(ComPtr<IMediaSample> picture) {
  {
    std::lock_guard lock(mutex_);
    // After a stop the sample goes straight back to its allocator.
    if (cancelled_) return;
    filled_.push_back(std::move(picture));
  }
  changed_.notify_all();
}

void PictureQueue::Finish(bool failed) {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
    failed_ = failed;
  }
  changed_.notify_all();
}

ComPtr<IMediaSample> PictureQueue::Pop() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return cancelled_ || finished_ || !filled_.empty(); });
  if (cancelled_ || filled_.empty()) return {};
  ComPtr<IMediaSample> picture = std::move(filled_.front());
  filled_.pop_front();
  return picture;
}

bool PictureQueue::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

bool PictureQueue::Cancelled() const {
  std::lock_guard lock(mutex_);
  return cancelled_;
}

void PictureQueue::Cancel() {
  std::deque<ComPtr<IMediaSample>> dropped;
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    dropped.swap(filled_);
  }
  changed_.notify_all();
}

}  // namespace tarn::platform
