#include "platform/h264_parameter_sets.h"

#include <algorithm>

namespace tarn::platform {

std::uint32_t RbspBits::Bits(int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 1) | Bit();
  return value;
}

std::uint32_t RbspBits::Unsigned() {
  int zeros = 0;
  while (Bit() == 0) {
    if (overrun || ++zeros > 31) {
      overrun = true;
      return 0;
    }
  }
  return ((1u << zeros) - 1) + Bits(zeros);
}

std::int32_t RbspBits::Signed() {
  const std::uint32_t code = Unsigned();
  return (code & 1) != 0 ? static_cast<std::int32_t>((code + 1) / 2) : -static_cast<std::int32_t>(code / 2);
}

std::uint32_t RbspBits::Bit() {
  if (bit_ == 0) {
    if (at_ >= size_) {
      overrun = true;
      return 0;
    }
    if (zeros_ >= 2 && data_[at_] == 3) {
      zeros_ = 0;
      if (++at_ >= size_) {
        overrun = true;
        return 0;
      }
    }
    zeros_ = data_[at_] == 0 ? zeros_ + 1 : 0;
    byte_ = data_[at_++];
    bit_ = 8;
  }
  return (byte_ >> --bit_) & 1;
}

namespace {

bool HasChromaFormat(std::uint32_t profile) {
  switch (profile) {
    case 100:
    case 110:
    case 122:
    case 244:
    case 44:
    case 83:
    case 86:
    case 118:
    case 128:
    case 138:
    case 139:
    case 134:
    case 135:
      return true;
    default:
      return false;
  }
}

void SkipScalingList(RbspBits& bits, int size) {
  int last = 8;
  int next = 8;
  for (int j = 0; j < size && !bits.overrun; ++j) {
    // A delta is -128 to 127; one out of range (a damaged list) must not overflow.
    if (next != 0) next = static_cast<int>(((last + std::int64_t{bits.Signed()}) % 256 + 256) % 256);
    last = next == 0 ? last : next;
  }
}

void SkipHrdParameters(RbspBits& bits) {
  const std::uint32_t countMinusOne = bits.Unsigned();
  if (countMinusOne > 31) {
    bits.overrun = true;
    return;
  }
  const std::uint32_t count = countMinusOne + 1;
  bits.Bits(8);  // bit_rate_scale, cpb_size_scale
  for (std::uint32_t i = 0; i < count && !bits.overrun; ++i) {
    bits.Unsigned();
    bits.Unsigned();
    bits.Bits(1);
  }
  bits.Bits(20);  // four delay and offset lengths
}

// max_num_reorder_frames from the VUI when it bounds the reordering (bitstream_restriction_flag).
std::optional<int> ReorderingInVui(RbspBits& bits) {
  if (bits.Bits(1) != 0 && bits.Bits(8) == 255) bits.Bits(32);  // aspect ratio
  if (bits.Bits(1) != 0) bits.Bits(1);                          // overscan
  if (bits.Bits(1) != 0) {                                      // video signal type
    bits.Bits(4);                                               // video format, full range
    if (bits.Bits(1) != 0) bits.Bits(24);                       // colour description
  }
  if (bits.Bits(1) != 0) {  // chroma location
    bits.Unsigned();
    bits.Unsigned();
  }
  if (bits.Bits(1) != 0) {  // timing
    bits.Bits(32);
    bits.Bits(32);
    bits.Bits(1);
  }
  const bool nalHrd = bits.Bits(1) != 0;
  if (nalHrd) SkipHrdParameters(bits);
  const bool vclHrd = bits.Bits(1) != 0;
  if (vclHrd) SkipHrdParameters(bits);
  if (nalHrd || vclHrd) bits.Bits(1);
  bits.Bits(1);                                // pic_struct_present_flag
  if (bits.Bits(1) == 0) return std::nullopt;  // bitstream_restriction_flag
  bits.Bits(1);
  for (int i = 0; i < 4; ++i) bits.Unsigned();
  const std::uint32_t reordered = bits.Unsigned();
  const std::uint32_t buffering = bits.Unsigned();
  if (reordered > buffering || buffering > 16) return std::nullopt;
  return static_cast<int>(reordered);
}

}  // namespace

std::optional<std::pair<std::uint32_t, H264Sequence>> ReadH264Sequence(const std::uint8_t* payload, std::size_t size) {
  RbspBits bits(payload, size);
  H264Sequence sequence;
  sequence.known = true;
  const std::uint32_t profile = bits.Bits(8);
  bits.Bits(16);  // constraint flags, level
  const std::uint32_t id = bits.Unsigned();
  if (id > 31) return std::nullopt;
  if (HasChromaFormat(profile)) {
    const std::uint32_t chroma = bits.Unsigned();
    if (chroma > 3) return std::nullopt;
    if (chroma == 3) sequence.separateColourPlane = bits.Bits(1) != 0;
    sequence.chroma = chroma != 0 && !sequence.separateColourPlane;
    bits.Unsigned();
    bits.Unsigned();
    bits.Bits(1);
    if (bits.Bits(1) != 0) {
      for (int i = 0; i < (chroma != 3 ? 8 : 12) && !bits.overrun; ++i)
        if (bits.Bits(1) != 0) SkipScalingList(bits, i < 6 ? 16 : 64);
    }
  }
  // Both logarithms are at most 16: anything larger is refused before it is added to.
  const std::uint32_t frameNumBits = bits.Unsigned();
  if (frameNumBits > 12) return std::nullopt;
  sequence.log2MaxFrameNum = static_cast<int>(frameNumBits) + 4;
  const std::uint32_t orderType = bits.Unsigned();
  if (orderType == 0) {
    const std::uint32_t orderLsbBits = bits.Unsigned();
    if (orderLsbBits > 12) return std::nullopt;
    sequence.log2MaxOrderLsb = static_cast<int>(orderLsbBits) + 4;
  } else if (orderType == 1) {
    bits.Bits(1);
    bits.Signed();
    bits.Signed();
    const std::uint32_t cycle = bits.Unsigned();
    if (cycle > 255) return std::nullopt;
    for (std::uint32_t i = 0; i < cycle && !bits.overrun; ++i) bits.Signed();
  } else if (orderType != 2) {
    return std::nullopt;
  }
  bits.Unsigned();  // max_num_ref_frames
  bits.Bits(1);
  bits.Unsigned();
  bits.Unsigned();
  const bool framesOnly = bits.Bits(1) != 0;  // frame_mbs_only_flag: else fields or MBAFF may follow
  if (!framesOnly) bits.Bits(1);
  bits.Bits(1);  // direct_8x8_inference_flag
  if (bits.Bits(1) != 0) {
    for (int i = 0; i < 4; ++i) bits.Unsigned();
  }
  const std::optional<int> reordered = bits.Bits(1) != 0 ? ReorderingInVui(bits) : std::nullopt;
  if (bits.overrun) return std::nullopt;
  sequence.reordered = reordered.value_or(0);
  sequence.frameCoded = framesOnly && reordered && orderType == 0;
  return std::pair{id, sequence};
}

std::optional<std::pair<std::uint32_t, H264PictureSet>> ReadH264PictureSet(const std::uint8_t* payload,
                                                                           std::size_t size) {
  RbspBits bits(payload, size);
  H264PictureSet set;
  set.known = true;
  const std::uint32_t id = bits.Unsigned();
  const std::uint32_t sequence = bits.Unsigned();
  if (id > 255 || sequence > 31) return std::nullopt;
  set.sequence = static_cast<int>(sequence);
  bits.Bits(1);  // entropy_coding_mode_flag
  set.bottomFieldOrder = bits.Bits(1) != 0;
  set.usable = bits.Unsigned() == 0;  // num_slice_groups_minus1
  if (set.usable) {
    const std::uint32_t firstList = bits.Unsigned(), secondList = bits.Unsigned();
    set.referenceCounts[0] = static_cast<int>(std::min<std::uint32_t>(firstList, 32)) + 1;
    set.referenceCounts[1] = static_cast<int>(std::min<std::uint32_t>(secondList, 32)) + 1;
    set.weighted = bits.Bits(1) != 0;
    set.bipredWeights = static_cast<int>(bits.Bits(2));
    bits.Signed();
    bits.Signed();
    bits.Signed();
    bits.Bits(2);  // deblocking_filter_control_present_flag, constrained_intra_pred_flag
    set.redundantCount = bits.Bits(1) != 0;
    set.usable = set.referenceCounts[0] <= 32 && set.referenceCounts[1] <= 32;
  }
  if (bits.overrun) return std::nullopt;
  return std::pair{id, set};
}

}  // namespace tarn::platform
