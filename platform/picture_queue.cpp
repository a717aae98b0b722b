#include "platform/picture_queue.h"

namespace tarn::platform {

void PictureQueue::Reset(std::size_t slots, std::size_t pictureBytes) {
  std::lock_guard lock(mutex_);
  if (storage_.size() != slots || (slots > 0 && storage_.front().bytes.size() != pictureBytes)) {
    storage_.assign(slots, QueuedPicture{});
    for (QueuedPicture& picture : storage_) picture.bytes.resize(pictureBytes);
  }
  free_.clear();
  filled_.clear();
  for (QueuedPicture& picture : storage_) free_.push_back(&picture);
  finished_ = failed_ = cancelled_ = false;
}

QueuedPicture* PictureQueue::AcquireFree() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return cancelled_ || !free_.empty(); });
  if (cancelled_) return nullptr;
  QueuedPicture* picture = free_.front();
  free_.pop_front();
  return picture;
}

void PictureQueue::Push(QueuedPicture* picture) {
  {
    std::lock_guard lock(mutex_);
    filled_.push_back(picture);
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

QueuedPicture* PictureQueue::Pop() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return cancelled_ || finished_ || !filled_.empty(); });
  if (cancelled_ || filled_.empty()) return nullptr;
  QueuedPicture* picture = filled_.front();
  filled_.pop_front();
  return picture;
}

void PictureQueue::Release(QueuedPicture* picture) {
  {
    std::lock_guard lock(mutex_);
    free_.push_back(picture);
  }
  changed_.notify_all();
}

bool PictureQueue::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

void PictureQueue::Cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  changed_.notify_all();
}

}  // namespace tarn::platform
