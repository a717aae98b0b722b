// Pictures prepared on the decoding thread as it sends their samples on (ITarnPrepareAhead),
// so that it converts and fits the next kept picture while the encoding thread codes this one.
//
// A few slots, each the prepared picture of one sample with the scratch its preparation needs,
// allocated when a stream starts and released when it stops. A slot belongs to one sample
// object with its times and picture size, prepared in one generation of the stream (a flush
// starts another): the encoding thread takes it only for that very sample, else it prepares the
// picture itself, so a slot that is late, stale or missing changes no result.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "media/dshow/Structures.h"

namespace tarn::venc {

class PreparedAhead {
 public:
  struct Key {
    const void* sample = nullptr;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Key&) const = default;
  };
  struct Slot {
    std::unique_ptr<std::uint8_t[]> scratch;  // the converted picture, before fitting
    std::unique_ptr<std::uint8_t[]> fitWork;
    std::unique_ptr<std::uint8_t[]> prepared;
    Key key;  // what the slot is claimed for
  };

  // A new stream whose converted pictures take up to `scratchBytes`; false when memory runs out
  // (nothing is then prepared ahead).
  bool Start(std::size_t scratchBytes);
  // Waits for a preparation under way, then releases the slots.
  void Stop();
  // Drops the pictures of samples not yet received (a flush).
  void Forget();

  // The size of the YUY2 pictures that arrive next, or none (other input): set on the thread
  // that receives the samples, read by the one preparing ahead.
  void SetInput(bool yuy2, int width, int height);

  // On the decoding thread: a free slot for a YUY2 sample with those times, its key made with
  // the input's size, or none; Finish it either way.
  Slot* Claim(const void* sample, REFERENCE_TIME start, REFERENCE_TIME stop);
  void Finish(Slot* slot, bool prepared);

  // On the encoding thread: the picture prepared for `key`, or none; Release it after use.
  const std::uint8_t* Take(const Key& key);
  void Release();

 private:
  // The decoders queue up to four kept pictures while the encoder codes one: a slot for each of
  // them and the one in use, so that none of them reaches the encoder unprepared.
  static constexpr int kSlots = 6;
  enum class State { kFree, kPreparing, kReady, kInUse };
  struct Entry {
    Slot slot;
    State state = State::kFree;
    std::uint64_t generation = 0;
    std::uint64_t order = 0;  // claims count up in the order the samples are sent on
  };

  std::mutex mutex_;
  std::condition_variable finished_;
  std::array<Entry, kSlots> entries_;
  std::uint64_t generation_ = 0;
  std::uint64_t claims_ = 0;
  bool accepting_ = false;
  bool yuy2_ = false;
  int width_ = 0;
  int height_ = 0;
  std::size_t scratchBytes_ = 0;
  int preparing_ = 0;
};

}  // namespace tarn::venc
