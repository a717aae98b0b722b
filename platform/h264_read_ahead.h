// The H.264 packets of a file read a few ahead of the decoder, so that for a picture nothing
// refers to the reader knows before sending it when, and with what time, the decoder would give
// it out had it decoded every picture (H264OutputOrder, fed every packet in decoding order). Once
// a picture has been left undecoded, the pictures decoded get those times too.
#pragma once

#include "platform/av_handles.h"
#include "platform/h264_output_order.h"
#include "platform/h264_picture_kind.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tarn::platform {

class H264ReadAhead {
 public:
  H264ReadAhead();
  // Its packets could be allocated; without them the stream is read without looking ahead.
  bool Usable() const;
  // The decoder just opened (its extradata, its has_b_frames). False when the parameter sets in
  // the extradata cannot be read: then nothing may be left out.
  bool Open(const AVCodecContext& decoder);
  // After a seek and a flush of the decoder: what was read ahead is dropped. The decoder's
  // best-effort times go on from what it has seen, and differ from those of decoding every
  // picture once one was left out: the times worked out are given from then on.
  void Flush();

  // The next packet of `stream` into `packet` (empty before), those after it read ahead. False at
  // the end of the file.
  bool Next(AVFormatContext* format, int stream, AVPacket* packet);
  // The time the decoder would give the packet just taken had it decoded every picture, when it
  // is a picture nothing refers to and that is known now.
  std::optional<std::int64_t> TimeIfLeftOut() const;
  // The packet just taken went to the decoder, left undecoded or not; `delay` is the decoder's
  // has_b_frames after it.
  void Sent(bool leftOut, int delay);
  // The decoder was told the stream ends.
  void Drained();
  // The time the decoder would have given `frame` decoding every picture: `decoderTime` (its
  // own best effort) while nothing has been left out. A picture that does not come where the
  // order worked out says makes it unsure (Sure()), and its own time is given from then on.
  std::int64_t TimeOf(const AVFrame& frame, std::int64_t decoderTime);
  // The order worked out is that of the decoder: no picture it could not place, none out of place.
  bool Sure() const { return sure_; }

 private:
  static constexpr int kAhead = 8;
  static constexpr int kPending = 64;
  struct Read {
    PacketPtr packet;
    H264Picture picture;
    std::uint64_t serial = 0;
    std::int64_t pts = 0;
    std::int64_t dts = 0;
    bool discarded = false;
  };
  struct Pending {
    H264OutputOrder::Given given;
    bool leftOut = false;
  };

  H264OutputOrder::Picture OrderOf(const Read& read) const;
  void Push(const std::optional<H264OutputOrder::Given>& given);
  void Unsure();

  H264PictureReader pictures_;
  H264OutputOrder order_;
  std::array<Read, kAhead + 1> ahead_;
  int first_ = 0;
  int count_ = 0;
  bool end_ = false;
  Read taken_;  // the packet last handed out (its packet moved on)
  std::uint64_t serial_ = 0;
  // Given out in the order worked out, not yet matched with a decoded picture.
  std::array<Pending, kPending> pending_{};
  int pendingFirst_ = 0;
  int pendingCount_ = 0;
  std::array<std::uint64_t, kPending> leftOut_{};  // serials left undecoded, not yet given out
  int leftOutCount_ = 0;
  bool anyLeftOut_ = false;
  bool pictureSeen_ = false;
  bool readable_ = false;  // the extradata's parameter sets
  bool sure_ = false;
};

}  // namespace tarn::platform
