#include "platform/h264_picture_kind.h"

namespace tarn::platform {

namespace {

constexpr int kCodedSlice = 1;
constexpr int kSei = 6;
constexpr int kSequenceParameterSet = 7;
constexpr int kAccessUnitDelimiter = 9;
constexpr int kFiller = 12;

// Reads the bits of a NAL unit's payload, leaving out the emulation prevention bytes (00 00 03).
// Reading past the end sets `overrun` and yields zeros.
class RbspBits {
 public:
  RbspBits(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint32_t Bits(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 1) | Bit();
    return value;
  }
  // ue(v); values beyond 32 bits count as an overrun.
  std::uint32_t Unsigned() {
    int zeros = 0;
    while (Bit() == 0) {
      if (overrun || ++zeros > 31) {
        overrun = true;
        return 0;
      }
    }
    return ((1u << zeros) - 1) + Bits(zeros);
  }
  std::int32_t Signed() {
    const std::uint32_t code = Unsigned();
    return (code & 1) != 0 ? static_cast<std::int32_t>((code + 1) / 2) : -static_cast<std::int32_t>(code / 2);
  }

  bool overrun = false;

 private:
  std::uint32_t Bit() {
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

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  int zeros_ = 0;
  std::uint32_t byte_ = 0;
  int bit_ = 0;
};

bool HasChromaFormat(std::uint32_t profile) {
  switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86: case 118: case 128: case 138: case 139:
    case 134: case 135:
      return true;
    default:
      return false;
  }
}

void SkipScalingList(RbspBits& bits, int size) {
  int last = 8;
  int next = 8;
  for (int j = 0; j < size && !bits.overrun; ++j) {
    if (next != 0) next = (last + bits.Signed() + 256) % 256;
    last = next == 0 ? last : next;
  }
}

void SkipHrdParameters(RbspBits& bits) {
  const std::uint32_t count = bits.Unsigned() + 1;
  if (count > 32) {
    bits.overrun = true;
    return;
  }
  bits.Bits(8);  // bit_rate_scale, cpb_size_scale
  for (std::uint32_t i = 0; i < count && !bits.overrun; ++i) {
    bits.Unsigned();
    bits.Unsigned();
    bits.Bits(1);
  }
  bits.Bits(20);  // four delay and offset lengths
}

// True when the sequence parameter set (its payload, after the NAL header) reads to the end of
// its VUI, codes frames only, and bounds the reordering of pictures.
bool SequenceCodesFramesWithBoundedReordering(const std::uint8_t* payload, std::size_t size) {
  RbspBits bits(payload, size);
  const std::uint32_t profile = bits.Bits(8);
  bits.Bits(16);  // constraint flags, level
  if (bits.Unsigned() > 31) return false;
  if (HasChromaFormat(profile)) {
    const std::uint32_t chroma = bits.Unsigned();
    if (chroma > 3) return false;
    if (chroma == 3) bits.Bits(1);
    bits.Unsigned();
    bits.Unsigned();
    bits.Bits(1);
    if (bits.Bits(1) != 0) {
      for (int i = 0; i < (chroma != 3 ? 8 : 12) && !bits.overrun; ++i)
        if (bits.Bits(1) != 0) SkipScalingList(bits, i < 6 ? 16 : 64);
    }
  }
  bits.Unsigned();  // log2_max_frame_num_minus4
  const std::uint32_t pocType = bits.Unsigned();
  if (pocType == 0) {
    bits.Unsigned();
  } else if (pocType == 1) {
    bits.Bits(1);
    bits.Signed();
    bits.Signed();
    const std::uint32_t cycle = bits.Unsigned();
    if (cycle > 255) return false;
    for (std::uint32_t i = 0; i < cycle && !bits.overrun; ++i) bits.Signed();
  } else if (pocType != 2) {
    return false;
  }
  bits.Unsigned();  // max_num_ref_frames
  bits.Bits(1);
  bits.Unsigned();
  bits.Unsigned();
  if (bits.Bits(1) == 0) return false;  // frame_mbs_only_flag: fields or MBAFF may follow
  bits.Bits(1);                         // direct_8x8_inference_flag
  if (bits.Bits(1) != 0) {
    for (int i = 0; i < 4; ++i) bits.Unsigned();
  }
  if (bits.Bits(1) == 0) return false;  // no VUI: no bound on reordering
  if (bits.Bits(1) != 0 && bits.Bits(8) == 255) bits.Bits(32);  // aspect ratio
  if (bits.Bits(1) != 0) bits.Bits(1);                           // overscan
  if (bits.Bits(1) != 0 && bits.Bits(4) % 2 == 1) bits.Bits(24);  // video format, range; colour
  if (bits.Bits(1) != 0) {                                        // chroma location
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
  bits.Bits(1);                         // pic_struct_present_flag
  if (bits.Bits(1) == 0) return false;  // bitstream_restriction_flag
  bits.Bits(1);
  for (int i = 0; i < 4; ++i) bits.Unsigned();
  const std::uint32_t reorder = bits.Unsigned();
  const std::uint32_t buffering = bits.Unsigned();
  return !bits.overrun && reorder <= buffering && buffering <= 16;
}

// Takes in one NAL unit; false when its header is not sound.
bool Note(const std::uint8_t* nal, std::size_t size, H264PacketKind& kind, int& slices, bool& onlyNonReference) {
  if (size == 0 || (nal[0] & 0x80) != 0) return false;
  const int type = nal[0] & 0x1F;
  const bool referenced = (nal[0] & 0x60) != 0;
  if (type == kCodedSlice) {
    ++slices;
    onlyNonReference = onlyNonReference && !referenced;
  } else if (type == kSequenceParameterSet) {
    ++kind.sequences;
    kind.sequencesFrameCoded = kind.sequencesFrameCoded && SequenceCodesFramesWithBoundedReordering(nal + 1, size - 1);
    onlyNonReference = false;
  } else if (type != kSei && type != kAccessUnitDelimiter && type != kFiller) {
    onlyNonReference = false;  // IDR and partitioned slices, picture parameter sets, sequence ends
  }
  return true;
}

// The offset just past the start code (00 00 01) at or after `at`; `size` when none is left.
// `begin` is left on the start code's first zero.
std::size_t NextStartCode(const std::uint8_t* data, std::size_t size, std::size_t at, std::size_t& begin) {
  for (; at + 2 < size; ++at) {
    if (data[at + 2] > 1) {
      at += 2;  // no start code ends in the next two bytes either
    } else if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1) {
      begin = at;
      return at + 3;
    }
  }
  begin = size;
  return size;
}

}  // namespace

H264PacketKind ReadH264Packet(const std::uint8_t* data, std::size_t size, int lengthSize) {
  H264PacketKind kind;
  if (data == nullptr || size == 0) return kind;
  int slices = 0;
  bool onlyNonReference = true;
  if (lengthSize > 0) {
    const auto length = static_cast<std::size_t>(lengthSize);
    for (std::size_t at = 0; at < size;) {
      if (size - at < length) return kind;
      std::size_t nalSize = 0;
      for (std::size_t i = 0; i < length; ++i) nalSize = (nalSize << 8) | data[at + i];
      at += length;
      if (nalSize > size - at || !Note(data + at, nalSize, kind, slices, onlyNonReference)) return kind;
      at += nalSize;
    }
  } else {
    std::size_t begin = 0;
    std::size_t at = NextStartCode(data, size, 0, begin);
    for (std::size_t i = 0; i < begin; ++i)
      if (data[i] != 0) return kind;  // bytes before the first start code
    while (at < size) {
      const std::size_t next = NextStartCode(data, size, at, begin);
      std::size_t end = begin;
      while (end > at && data[end - 1] == 0) --end;  // trailing zeros, or the zero of a four-byte code
      if (!Note(data + at, end - at, kind, slices, onlyNonReference)) return kind;
      at = next;
    }
  }
  kind.intact = true;
  kind.nonReference = slices > 0 && onlyNonReference;
  return kind;
}

std::optional<H264Extradata> ReadH264Extradata(const std::uint8_t* data, std::size_t size) {
  H264Extradata extradata;
  if (data == nullptr || size == 0) return extradata;
  if (data[0] != 1) {  // not an avcC record: parameter sets with start codes
    extradata.sequences = ReadH264Packet(data, size, 0);
    if (!extradata.sequences.intact) return std::nullopt;
    return extradata;
  }
  // configurationVersion, profile, compatibility, level, lengthSizeMinusOne, then the sequence
  // parameter sets (count in 5 bits), each after its 16-bit length.
  if (size < 6) return std::nullopt;
  extradata.lengthSize = (data[4] & 3) + 1;
  if (extradata.lengthSize == 3) return std::nullopt;
  const int count = data[5] & 0x1F;
  std::size_t at = 6;
  int slices = 0;
  bool onlyNonReference = true;
  for (int i = 0; i < count; ++i) {
    if (size - at < 2) return std::nullopt;
    const std::size_t nalSize = (static_cast<std::size_t>(data[at]) << 8) | data[at + 1];
    at += 2;
    if (nalSize > size - at || !Note(data + at, nalSize, extradata.sequences, slices, onlyNonReference))
      return std::nullopt;
    at += nalSize;
  }
  extradata.sequences.intact = true;
  return extradata;
}

}  // namespace tarn::platform
