// The parts of H.264 sequence and picture parameter sets that tell where a picture comes in the
// order of showing, read without decoding, and the bit reader of NAL unit payloads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace tarn::platform {

// Reads the bits of a NAL unit's payload, leaving out the emulation prevention bytes (00 00 03).
// Reading past the end sets `overrun` and yields zeros.
class RbspBits {
 public:
  RbspBits(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint32_t Bits(int count);
  // ue(v); values beyond 32 bits count as an overrun.
  std::uint32_t Unsigned();
  std::int32_t Signed();

  bool overrun = false;

 private:
  std::uint32_t Bit();

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  int zeros_ = 0;
  std::uint32_t byte_ = 0;
  int bit_ = 0;
};

struct H264Sequence {
  bool known = false;
  // Whole frames only (no field pictures, no MBAFF), the reordering of pictures bounded
  // (bitstream_restriction_flag), the picture order counted from pic_order_cnt_lsb.
  bool frameCoded = false;
  int log2MaxFrameNum = 0;
  int log2MaxOrderLsb = 0;
  bool separateColourPlane = false;
  bool chroma = true;  // ChromaArrayType != 0: weights for chroma in the slice headers
  int reordered = 0;   // max_num_reorder_frames
};

struct H264PictureSet {
  bool known = false;
  bool usable = false;  // one slice group
  int sequence = 0;
  bool bottomFieldOrder = false;
  int referenceCounts[2] = {0, 0};
  bool weighted = false;
  int bipredWeights = 0;
  bool redundantCount = false;
};

// A sequence parameter set (its payload, after the NAL header) and its id; none when it cannot
// be read to the end of its VUI.
std::optional<std::pair<std::uint32_t, H264Sequence>> ReadH264Sequence(const std::uint8_t* payload, std::size_t size);
// A picture parameter set and its id, as far as the slice headers need it.
std::optional<std::pair<std::uint32_t, H264PictureSet>> ReadH264PictureSet(const std::uint8_t* payload,
                                                                           std::size_t size);

}  // namespace tarn::platform
