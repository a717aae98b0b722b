#include "platform/h264_picture_kind.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace tarn::platform {

namespace {

constexpr int kCodedSlice = 1;
constexpr int kIdrSlice = 5;
constexpr int kSei = 6;
constexpr int kSequenceParameterSet = 7;
constexpr int kPictureParameterSet = 8;
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

// The sequence parameter set (its payload, after the NAL header) as far as picture order goes;
// none when it cannot be read to the end of its VUI.
std::optional<std::pair<std::uint32_t, H264PictureReader::Sequence>> ReadSequence(const std::uint8_t* payload,
                                                                                  std::size_t size) {
  RbspBits bits(payload, size);
  H264PictureReader::Sequence sequence;
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
  sequence.log2MaxFrameNum = static_cast<int>(bits.Unsigned()) + 4;
  const std::uint32_t orderType = bits.Unsigned();
  if (orderType == 0) {
    sequence.log2MaxOrderLsb = static_cast<int>(bits.Unsigned()) + 4;
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
  if (sequence.log2MaxFrameNum > 16 || sequence.log2MaxOrderLsb > 16) return std::nullopt;
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
  bool bounded = false;
  if (bits.Bits(1) != 0) {                                        // VUI
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
    bits.Bits(1);             // pic_struct_present_flag
    if (bits.Bits(1) != 0) {  // bitstream_restriction_flag
      bits.Bits(1);
      for (int i = 0; i < 4; ++i) bits.Unsigned();
      const std::uint32_t reordered = bits.Unsigned();
      const std::uint32_t buffering = bits.Unsigned();
      bounded = reordered <= buffering && buffering <= 16;
      sequence.reordered = static_cast<int>(reordered);
    }
  }
  if (bits.overrun) return std::nullopt;
  sequence.frameCoded = framesOnly && bounded && orderType == 0;
  return std::pair{id, sequence};
}

std::optional<std::pair<std::uint32_t, H264PictureReader::PictureSet>> ReadPictureSet(const std::uint8_t* payload,
                                                                                      std::size_t size) {
  RbspBits bits(payload, size);
  H264PictureReader::PictureSet set;
  set.known = true;
  const std::uint32_t id = bits.Unsigned();
  const std::uint32_t sequence = bits.Unsigned();
  if (id > 255 || sequence > 31) return std::nullopt;
  set.sequence = static_cast<int>(sequence);
  bits.Bits(1);  // entropy_coding_mode_flag
  set.bottomFieldOrder = bits.Bits(1) != 0;
  set.usable = bits.Unsigned() == 0;  // num_slice_groups_minus1
  if (set.usable) {
    set.referenceCounts[0] = static_cast<int>(bits.Unsigned()) + 1;
    set.referenceCounts[1] = static_cast<int>(bits.Unsigned()) + 1;
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

void SkipListModification(RbspBits& bits) {
  if (bits.Bits(1) == 0) return;
  for (int i = 0; i < 100 && !bits.overrun; ++i) {
    const std::uint32_t operation = bits.Unsigned();
    if (operation == 3) return;
    if (operation > 5) break;
    bits.Unsigned();
  }
  bits.overrun = true;
}

void SkipWeights(RbspBits& bits, int count, bool chroma) {
  for (int i = 0; i < count && !bits.overrun; ++i) {
    if (bits.Bits(1) != 0) {
      bits.Signed();
      bits.Signed();
    }
    if (chroma && bits.Bits(1) != 0) {
      for (int k = 0; k < 4; ++k) bits.Signed();
    }
  }
}

// True when the reference picture marking resets the memory (operation 5); sets `overrun` on
// nonsense.
bool MarkingResets(RbspBits& bits, bool idr) {
  if (idr) {
    bits.Bits(2);
    return false;
  }
  if (bits.Bits(1) == 0) return false;
  bool reset = false;
  for (int i = 0; i < 100 && !bits.overrun; ++i) {
    const std::uint32_t operation = bits.Unsigned();
    if (operation == 0) return reset;
    if (operation > 6) break;
    reset = reset || operation == 5;
    if (operation == 1 || operation == 3) bits.Unsigned();
    if (operation == 2) bits.Unsigned();
    if (operation == 3 || operation == 6) bits.Unsigned();
    if (operation == 4) bits.Unsigned();
  }
  bits.overrun = true;
  return reset;
}

// An IDR slice whose header the decoder refuses: not intra. It drops the slice and goes on with
// the packet's other NAL units.
bool RefusedIdrSlice(const std::uint8_t* nal, std::size_t size) {
  RbspBits bits(nal + 1, size - 1);
  bits.Unsigned();
  const std::uint32_t type = bits.Unsigned();
  return bits.overrun || type > 9 || (type % 5 != 2 && type % 5 != 4);
}

// Takes in one NAL unit's header; false when it is not sound.
bool Note(const std::uint8_t* nal, std::size_t size, int& slices, bool& onlyNonReference) {
  if (size == 0 || (nal[0] & 0x80) != 0) return false;
  const int type = nal[0] & 0x1F;
  const bool referenced = (nal[0] & 0x60) != 0;
  if (type == kCodedSlice) {
    ++slices;
    onlyNonReference = onlyNonReference && !referenced;
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

// Calls `unit(nal, size)` for each NAL unit; false when the framing does not add up or `unit`
// refuses one.
template <class Unit>
bool ForEachNal(const std::uint8_t* data, std::size_t size, int lengthSize, Unit&& unit) {
  if (data == nullptr || size == 0) return false;
  if (lengthSize > 0) {
    const auto length = static_cast<std::size_t>(lengthSize);
    for (std::size_t at = 0; at < size;) {
      if (size - at < length) return false;
      std::size_t nalSize = 0;
      for (std::size_t i = 0; i < length; ++i) nalSize = (nalSize << 8) | data[at + i];
      at += length;
      if (nalSize > size - at || !unit(data + at, nalSize)) return false;
      at += nalSize;
    }
    return true;
  }
  std::size_t begin = 0;
  std::size_t at = NextStartCode(data, size, 0, begin);
  for (std::size_t i = 0; i < begin; ++i)
    if (data[i] != 0) return false;  // bytes before the first start code
  while (at < size) {
    const std::size_t next = NextStartCode(data, size, at, begin);
    std::size_t end = begin;
    while (end > at && data[end - 1] == 0) --end;  // trailing zeros, or the zero of a four-byte code
    if (!unit(data + at, end - at)) return false;
    at = next;
  }
  return true;
}

}  // namespace

bool H264PictureReader::Open(const std::uint8_t* extradata, std::size_t size) {
  sequences_.fill({});
  pictureSets_.fill({});
  Restart();
  lengthSize_ = 0;
  if (extradata == nullptr || size == 0) return true;
  if (extradata[0] != 1) {  // not an avcC record: parameter sets with start codes
    return ForEachNal(extradata, size, 0, [&](const std::uint8_t* nal, std::size_t nalSize) {
      NoteParameterSet(nal, nalSize);
      return nalSize > 0;
    });
  }
  // configurationVersion, profile, compatibility, level, lengthSizeMinusOne, then the sequence
  // and the picture parameter sets (counts in 5 and 8 bits), each after its 16-bit length.
  if (size < 6 || (extradata[4] & 3) == 2) return false;
  lengthSize_ = (extradata[4] & 3) + 1;
  std::size_t at = 5;
  for (int list = 0; list < 2; ++list) {
    if (at >= size) return false;
    const int count = list == 0 ? extradata[at] & 0x1F : extradata[at];
    ++at;
    for (int i = 0; i < count; ++i) {
      if (size - at < 2) return false;
      const std::size_t nalSize = (static_cast<std::size_t>(extradata[at]) << 8) | extradata[at + 1];
      at += 2;
      if (nalSize == 0 || nalSize > size - at) return false;
      NoteParameterSet(extradata + at, nalSize);
      at += nalSize;
    }
  }
  return true;
}

void H264PictureReader::Restart() {
  previousMsb_ = 1 << 16;
  previousLsb_ = -1;
  lost_ = false;
}

void H264PictureReader::NoteParameterSet(const std::uint8_t* nal, std::size_t size) {
  const int type = size > 0 ? nal[0] & 0x1F : 0;
  if (type == kSequenceParameterSet) {
    const auto sequence = ReadSequence(nal + 1, size - 1);
    if (sequence) {
      sequences_[sequence->first] = sequence->second;
    } else {
      sequences_.fill({});  // which one it replaces is not known
    }
  } else if (type == kPictureParameterSet) {
    const auto set = ReadPictureSet(nal + 1, size - 1);
    if (set) {
      pictureSets_[set->first] = set->second;
    } else {
      pictureSets_.fill({});
    }
  }
}

H264Picture H264PictureReader::Read(const std::uint8_t* data, std::size_t size) {
  H264Picture picture;
  int slices = 0;
  bool onlyNonReference = true;
  bool single = true;
  bool sliced = false;
  bool refused = false;  // an IDR slice refused still makes the decoder count afresh
  bool abandoned = false;
  picture.kind.intact = ForEachNal(data, size, lengthSize_, [&](const std::uint8_t* nal, std::size_t nalSize) {
    if (!Note(nal, nalSize, slices, onlyNonReference)) return false;
    const int type = nal[0] & 0x1F;
    if (type == kSequenceParameterSet || type == kPictureParameterSet) {
      NoteParameterSet(nal, nalSize);
    } else if (type == kIdrSlice && RefusedIdrSlice(nal, nalSize)) {
      // An inter slice header (first_mb_in_slice 0, slice_type 5) makes the decoder abandon
      // the rest of the packet; another refused one it drops.
      abandoned = abandoned || (nalSize > 1 && (nal[1] & 0xFC) == 0x98);
      refused = true;
    } else if (type == kCodedSlice || type == kIdrSlice) {
      if (!sliced) {
        sliced = true;
        picture.picture = true;
        picture.idr = type == kIdrSlice;
        ReadSlice(nal, nalSize, picture);
      } else {
        RbspBits bits(nal + 1, nalSize - 1);
        single = single && bits.Unsigned() != 0 && !bits.overrun && (type == kIdrSlice) == picture.idr;
      }
    }
    return true;
  });
  picture.kind.nonReference = picture.kind.intact && slices > 0 && onlyNonReference;
  picture.picture = picture.picture && picture.kind.intact && single;
  picture.ordered = picture.ordered && picture.picture;
  if (picture.picture && !picture.ordered) lost_ = true;
  picture.ordered = picture.ordered && !lost_;
  picture.clear = picture.kind.intact && (!sliced || picture.ordered) && (!refused || picture.idr) && !abandoned;
  return picture;
}

// The first slice's header up to its reference picture marking: its picture order count, and
// that of the last reference picture for the pictures after it.
void H264PictureReader::ReadSlice(const std::uint8_t* nal, std::size_t size, H264Picture& picture) {
  RbspBits bits(nal + 1, size - 1);
  const bool referenced = (nal[0] & 0x60) != 0;
  if (picture.idr) Restart();        // as the decoder does on an IDR slice
  if (bits.Unsigned() != 0) return;  // first_mb_in_slice: the picture's start is missing
  const std::uint32_t type = bits.Unsigned() % 5;
  const bool predicted = type == 0 || type == 3;
  const bool bidirectional = type == 1;
  const std::uint32_t setId = bits.Unsigned();
  if (setId > 255 || !pictureSets_[setId].known || !pictureSets_[setId].usable) return;
  const PictureSet& set = pictureSets_[setId];
  const Sequence& sequence = sequences_[static_cast<std::size_t>(set.sequence)];
  if (!sequence.known || !sequence.frameCoded) return;
  if (sequence.separateColourPlane) bits.Bits(2);
  bits.Bits(sequence.log2MaxFrameNum);
  if (picture.idr) bits.Unsigned();
  const auto lsb = static_cast<int>(bits.Bits(sequence.log2MaxOrderLsb));
  const std::int32_t bottom = set.bottomFieldOrder ? bits.Signed() : 0;
  if (set.redundantCount && bits.Unsigned() != 0) return;  // a redundant picture the decoder drops
  if (bidirectional) bits.Bits(1);
  int counts[2] = {set.referenceCounts[0], set.referenceCounts[1]};
  if (predicted || bidirectional) {
    if (bits.Bits(1) != 0) {
      counts[0] = static_cast<int>(bits.Unsigned()) + 1;
      if (bidirectional) counts[1] = static_cast<int>(bits.Unsigned()) + 1;
    }
    if (counts[0] > 32 || counts[1] > 32) return;
    SkipListModification(bits);
    if (bidirectional) SkipListModification(bits);
  }
  if ((set.weighted && predicted) || (set.bipredWeights == 1 && bidirectional)) {
    bits.Unsigned();
    if (sequence.chroma) bits.Unsigned();
    SkipWeights(bits, counts[0], sequence.chroma);
    if (bidirectional) SkipWeights(bits, counts[1], sequence.chroma);
  }
  const bool reset = referenced && MarkingResets(bits, picture.idr);
  if (bits.overrun || reset) return;

  // As FFmpeg counts a frame's picture order (type 0): the wrap of pic_order_cnt_lsb against
  // the last reference picture's, the smaller of the two fields' counts.
  const int maxLsb = 1 << sequence.log2MaxOrderLsb;
  int msb = previousMsb_;
  if (lsb < previousLsb_ && previousLsb_ - lsb >= maxLsb / 2) {
    msb = previousMsb_ + maxLsb;
  } else if (lsb > previousLsb_ && previousLsb_ - lsb < -maxLsb / 2) {
    msb = previousMsb_ - maxLsb;
  }
  const long long top = static_cast<long long>(msb) + lsb;
  const long long order = std::min(top, top + bottom);
  if (order < -(1LL << 30) || order > (1LL << 30)) return;
  picture.order = static_cast<int>(order);
  picture.reordered = sequence.reordered;
  picture.ordered = true;
  if (referenced) {
    previousMsb_ = msb;
    previousLsb_ = lsb;
  }
}

}  // namespace tarn::platform
