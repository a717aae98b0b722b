// What an H.264 packet holds, read from its NAL unit headers and the first slice header without
// decoding: whether any other picture may refer to the picture it carries, and where that
// picture comes in the order pictures are shown (its picture order count, counted as FFmpeg's
// decoder counts it), from the parameter sets seen so far.
#pragma once

#include "platform/h264_parameter_sets.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarn::platform {

struct H264PacketKind {
  // Every NAL unit whole (the lengths or start codes add up to the packet) with a sound header.
  bool intact = false;
  // A picture nothing refers to: coded slices, all with nal_ref_idc 0, and besides them only SEI,
  // access unit delimiters and filler. Also false for an intact packet without a slice.
  bool nonReference = false;
};

// One packet's picture, as far as the order of showing pictures goes.
struct H264Picture {
  H264PacketKind kind;
  bool picture = false;  // one picture's slices (first_mb_in_slice 0 on the first only)
  // What the decoder does with the packet is known: it is intact, and has no slices or one
  // picture whose order is known.
  bool clear = false;
  bool idr = false;
  // The picture order count is known (parameter sets read, no memory management reset).
  bool ordered = false;
  int order = 0;      // FFmpeg's count: 65536 + pic_order_cnt_lsb at an IDR picture
  int reordered = 0;  // max_num_reorder_frames of its sequence
};

// Reads the pictures of one stream in decoding order: keeps the parameter sets (from extradata
// and packets) and the picture order count of the last reference picture.
class H264PictureReader {
 public:
  // A decoder just opened: parameter sets and counts forgotten, then those of the codec's
  // extradata taken: an avcC record (NAL units after their lengths in the packets; MP4,
  // Matroska), or parameter sets with start codes, or none (start codes; MPEG-TS, raw streams).
  // False for extradata that cannot be read.
  bool Open(const std::uint8_t* extradata, std::size_t size);
  // After a flush: the decoder counts afresh (its parameter sets stay).
  void Restart();
  H264Picture Read(const std::uint8_t* data, std::size_t size);
  int LengthSize() const { return lengthSize_; }

 private:
  void NoteParameterSet(const std::uint8_t* nal, std::size_t size);
  void ReadSlice(const std::uint8_t* nal, std::size_t size, H264Picture& picture);
  void Count(int lsb, std::int32_t bottom, const H264Sequence& sequence, bool referenced, H264Picture& picture);

  int lengthSize_ = 0;
  std::array<H264Sequence, 32> sequences_{};
  std::array<H264PictureSet, 256> pictureSets_{};
  int previousMsb_ = 1 << 16;
  int previousLsb_ = -1;
  bool lost_ = false;  // a picture's order not read since the last restart: the counts after it are unsure
};

}  // namespace tarn::platform
