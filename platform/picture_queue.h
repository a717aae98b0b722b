// A bounded queue of decoded pictures between the file source's decoding
// thread and its streaming thread, so that decoding the next pictures
// overlaps with the graph's work on the current one. The slots are
// allocated once per stream.
#pragma once

#include "platform/video_file_reader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace tarn::platform {

struct QueuedPicture {
  std::vector<std::uint8_t> bytes;
  PictureTimes times;
};

class PictureQueue {
 public:
  // `slots` buffers of `pictureBytes` each; empties the queue and clears the end and cancel marks.
  void Reset(std::size_t slots, std::size_t pictureBytes);

  // Producer side: a free slot to fill (null once cancelled), then Push it.
  QueuedPicture* AcquireFree();
  void Push(QueuedPicture* picture);
  // No more pictures will come; `failed` tells the consumer the stream broke.
  void Finish(bool failed);

  // Consumer side: the oldest picture (null at the end or once cancelled),
  // handed back with Release when copied out.
  QueuedPicture* Pop();
  void Release(QueuedPicture* picture);
  bool Failed() const;

  // Wakes both sides for good (a stop).
  void Cancel();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<QueuedPicture> storage_;
  std::deque<QueuedPicture*> free_;
  std::deque<QueuedPicture*> filled_;
  bool finished_ = false;
  bool failed_ = false;
  bool cancelled_ = false;
};

}  // namespace tarn::platform
