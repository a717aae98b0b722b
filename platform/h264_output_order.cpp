#include "platform/h264_output_order.h"

#include <climits>

namespace tarn::platform {

void H264OutputOrder::Open(int delay) {
  time_.Reset();
  delay_ = delay;
  fits_ = true;
  Flush();
}

void H264OutputOrder::Flush() {
  count_ = 0;
  nextOrder_ = INT_MIN;
  lastOrders_.fill(INT_MIN);
  reset_ = true;
  time_.ForgetLast();
}

// The picture that comes out next: the smallest count up to the first barrier after the first.
int H264OutputOrder::Earliest() const {
  int earliest = 0;
  for (int i = 1; i < count_ && !held_[i].barrier; ++i)
    if (held_[i].order < held_[earliest].order) earliest = i;
  return earliest;
}

H264OutputOrder::Held H264OutputOrder::Remove(int index) {
  const Held removed = held_[index];
  for (int i = index; i + 1 < count_; ++i) held_[i] = held_[i + 1];
  --count_;
  return removed;
}

std::optional<H264OutputOrder::Given> H264OutputOrder::Give(const Held& held, std::int64_t dts) {
  if (held.discarded) return std::nullopt;
  return Given{held.serial, held.pts, time_.Next(held.pts, dts)};
}

std::optional<H264OutputOrder::Given> H264OutputOrder::Decode(const Picture& picture, std::int64_t dts) {
  if (picture.idr) lastOrders_.fill(INT_MIN);
  Held current{picture.serial, picture.order, picture.idr || reset_, picture.pts, picture.discarded};
  reset_ = false;
  if (picture.reordered > delay_) delay_ = picture.reordered;

  // The last counts seen, kept sorted; a count below all of them starts afresh.
  int i = 0;
  for (;; ++i) {
    if (i == kOrders || current.order < lastOrders_[i]) {
      if (i > 0) lastOrders_[i - 1] = current.order;
      break;
    }
    if (i > 0) lastOrders_[i - 1] = lastOrders_[i];
  }
  if (i == 0) {
    lastOrders_.fill(INT_MIN);
    lastOrders_[0] = current.order;
    current.barrier = true;
  }

  if (count_ == kHeld) {
    fits_ = false;
    return std::nullopt;
  }
  held_[count_++] = current;
  const int earliest = Earliest();
  if (delay_ == 0 && held_[0].barrier) nextOrder_ = INT_MIN;
  const bool outOfOrder = held_[earliest].order < nextOrder_;
  const bool full = count_ > delay_;
  if (!outOfOrder && !full) return std::nullopt;
  const Held out = Remove(earliest);
  if (outOfOrder) return std::nullopt;
  nextOrder_ = earliest == 0 && count_ > 0 && held_[0].barrier ? INT_MIN : out.order;
  return Give(out, dts);
}

std::optional<H264OutputOrder::Given> H264OutputOrder::Drain() {
  while (count_ > 0) {
    if (auto given = Give(Remove(Earliest()), BestEffortTime::kNoTime)) return given;
  }
  return std::nullopt;
}

}  // namespace tarn::platform
