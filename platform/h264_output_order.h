// The order in which FFmpeg's H.264 decoder (on one thread) gives out the pictures of a stream
// when it decodes every one of them, and the best-effort time it gives each, worked out beside
// it from the pictures' order counts. A reader that leaves pictures nothing refers to undecoded
// learns from it when such a picture would have come out and with what time, and gives the
// pictures it decodes the times they would have had: the decoder's own times then differ, as it
// gives each picture out later and at another packet's decoding time.
#pragma once

#include "platform/best_effort_time.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tarn::platform {

class H264OutputOrder {
 public:
  struct Picture {
    std::uint64_t serial = 0;  // the reader's number for its packet
    int order = 0;             // picture order count
    bool idr = false;
    int reordered = 0;  // max_num_reorder_frames of its sequence
    std::int64_t pts = BestEffortTime::kNoTime;
    bool discarded = false;  // its packet is marked to be discarded: it comes out to nobody
  };
  struct Given {
    std::uint64_t serial = 0;
    std::int64_t pts = BestEffortTime::kNoTime;
    std::int64_t time = BestEffortTime::kNoTime;  // best effort
  };

  // A decoder just opened, holding back `delay` pictures (its has_b_frames).
  void Open(int delay);
  // After avcodec_flush_buffers.
  void Flush();
  // The decoder decodes a packet with this picture and decoding time `dts`: the picture it
  // gives out then, if any. Pictures it drops as out of order, or as discarded, it gives to none.
  std::optional<Given> Decode(const Picture& picture, std::int64_t dts);
  // At the end of the stream: the pictures still held back, one a call.
  std::optional<Given> Drain();

  int Delay() const { return delay_; }
  // Every picture it holds back fits (else what it gives out is unsure).
  bool Fits() const { return fits_; }

 private:
  struct Held {
    std::uint64_t serial = 0;
    int order = 0;
    bool barrier = false;  // an IDR picture, or one after a reset: no picture after it comes out before it
    std::int64_t pts = BestEffortTime::kNoTime;
    bool discarded = false;
  };
  static constexpr int kHeld = 20;
  static constexpr int kOrders = 16;

  int Earliest() const;
  Held Remove(int index);
  std::optional<Given> Give(const Held& held, std::int64_t dts);

  std::array<Held, kHeld> held_{};
  int count_ = 0;
  int delay_ = 0;
  std::array<int, kOrders> lastOrders_{};
  int nextOrder_ = 0;  // the smallest count still given out in order
  bool reset_ = true;  // the next picture starts afresh (a flush, a just opened decoder)
  bool fits_ = true;
  BestEffortTime time_;
};

}  // namespace tarn::platform
