#include "platform/h264_read_ahead.h"

#include <algorithm>

namespace tarn::platform {

H264ReadAhead::H264ReadAhead() {
  for (Read& read : ahead_) read.packet.reset(av_packet_alloc());
}

bool H264ReadAhead::Usable() const {
  return std::all_of(ahead_.begin(), ahead_.end(), [](const Read& read) { return read.packet != nullptr; });
}

bool H264ReadAhead::Open(const AVCodecContext& decoder) {
  readable_ = pictures_.Open(decoder.extradata, static_cast<std::size_t>(std::max(decoder.extradata_size, 0)));
  order_.Open(decoder.has_b_frames);
  serial_ = 0;
  anyLeftOut_ = false;
  Flush();
  return readable_;
}

void H264ReadAhead::Flush() {
  for (int i = 0; i < count_; ++i)
    av_packet_unref(ahead_[static_cast<std::size_t>((first_ + i) % (kAhead + 1))].packet.get());
  first_ = 0;
  count_ = 0;
  end_ = false;
  order_.Flush();
  pictures_.Restart();
  pendingFirst_ = 0;
  pendingCount_ = 0;
  leftOutCount_ = 0;
  pictureSeen_ = false;
  sure_ = readable_;
}

bool H264ReadAhead::Next(AVFormatContext* format, int stream, AVPacket* packet) {
  while (!end_ && count_ < kAhead + 1) {
    Read& slot = ahead_[static_cast<std::size_t>((first_ + count_) % (kAhead + 1))];
    if (av_read_frame(format, slot.packet.get()) < 0) {
      end_ = true;
      break;
    }
    if (slot.packet->stream_index != stream || slot.packet->data == nullptr) {
      av_packet_unref(slot.packet.get());
      continue;
    }
    slot.picture = pictures_.Read(slot.packet->data, static_cast<std::size_t>(slot.packet->size));
    slot.serial = ++serial_;
    slot.pts = slot.packet->pts;
    slot.dts = slot.packet->dts;
    slot.discarded = (slot.packet->flags & AV_PKT_FLAG_DISCARD) != 0;
    ++count_;
  }
  if (count_ == 0) return false;
  Read& head = ahead_[static_cast<std::size_t>(first_)];
  av_packet_move_ref(packet, head.packet.get());
  taken_.picture = head.picture;
  taken_.serial = head.serial;
  taken_.pts = head.pts;
  taken_.dts = head.dts;
  taken_.discarded = head.discarded;
  first_ = (first_ + 1) % (kAhead + 1);
  --count_;
  return true;
}

H264OutputOrder::Picture H264ReadAhead::OrderOf(const Read& read) const {
  return H264OutputOrder::Picture{read.serial, read.picture.order, read.picture.idr, read.picture.reordered,
                                  read.pts,    read.discarded};
}

// Works the order out on a copy through the packets read ahead (and the end of the stream when
// they are the last), until the picture comes out.
std::optional<std::int64_t> H264ReadAhead::TimeIfLeftOut() const {
  if (!sure_ || !pictureSeen_ || !taken_.picture.kind.nonReference || !taken_.picture.clear ||
      !taken_.picture.picture || leftOutCount_ == kPending)
    return std::nullopt;
  H264OutputOrder ahead = order_;
  const auto found = [&](const std::optional<H264OutputOrder::Given>& given) {
    return given && given->serial == taken_.serial;
  };
  std::optional<H264OutputOrder::Given> given = ahead.Decode(OrderOf(taken_), taken_.dts);
  for (int i = 0; !found(given) && i < count_; ++i) {
    const Read& next = ahead_[static_cast<std::size_t>((first_ + i) % (kAhead + 1))];
    if (!next.picture.clear) return std::nullopt;
    if (next.picture.picture) given = ahead.Decode(OrderOf(next), next.dts);
  }
  while (!found(given) && end_ && (given = ahead.Drain())) {
  }
  if (!found(given) || !ahead.Fits() || given->time == BestEffortTime::kNoTime) return std::nullopt;
  return given->time;
}

void H264ReadAhead::Sent(bool leftOut, int delay) {
  if (leftOut) {
    leftOut_[static_cast<std::size_t>(leftOutCount_++)] = taken_.serial;
    anyLeftOut_ = true;
  }
  if (!taken_.picture.clear) {
    Unsure();
  } else if (taken_.picture.picture) {
    if (!pictureSeen_ && !taken_.picture.idr) Unsure();  // pictures before a recovery point are not all given
    pictureSeen_ = true;
    Push(order_.Decode(OrderOf(taken_), taken_.dts));
  }
  if (delay != order_.Delay() || !order_.Fits()) Unsure();
}

void H264ReadAhead::Drained() {
  while (const auto given = order_.Drain()) Push(given);
}

void H264ReadAhead::Push(const std::optional<H264OutputOrder::Given>& given) {
  if (!given) return;
  if (pendingCount_ == kPending) {
    Unsure();
    return;
  }
  Pending& pending = pending_[static_cast<std::size_t>((pendingFirst_ + pendingCount_++) % kPending)];
  pending.given = *given;
  pending.leftOut = false;
  for (int i = 0; i < leftOutCount_; ++i) {
    if (leftOut_[static_cast<std::size_t>(i)] != given->serial) continue;
    pending.leftOut = true;
    leftOut_[static_cast<std::size_t>(i)] = leftOut_[static_cast<std::size_t>(--leftOutCount_)];
    break;
  }
}

std::int64_t H264ReadAhead::TimeOf(const AVFrame& frame, std::int64_t decoderTime) {
  if (!sure_) return decoderTime;
  while (pendingCount_ > 0 && pending_[static_cast<std::size_t>(pendingFirst_)].leftOut) {
    pendingFirst_ = (pendingFirst_ + 1) % kPending;
    --pendingCount_;
  }
  if (pendingCount_ == 0 || pending_[static_cast<std::size_t>(pendingFirst_)].given.pts != frame.pts) {
    Unsure();
    return decoderTime;
  }
  const std::int64_t time = pending_[static_cast<std::size_t>(pendingFirst_)].given.time;
  pendingFirst_ = (pendingFirst_ + 1) % kPending;
  --pendingCount_;
  if (anyLeftOut_) return time;
  if (time != decoderTime) Unsure();
  return decoderTime;
}

void H264ReadAhead::Unsure() { sure_ = false; }

}  // namespace tarn::platform
