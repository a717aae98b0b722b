#include "platform/h264_picture_kind.h"

#include "platform/start_codes.h"

#include <algorithm>

namespace tarn::platform {

namespace {

constexpr int kCodedSlice = 1;
constexpr int kIdrSlice = 5;
constexpr int kSei = 6;
constexpr int kSequenceParameterSet = 7;
constexpr int kPictureParameterSet = 8;
constexpr int kAccessUnitDelimiter = 9;
constexpr int kFiller = 12;

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
    // Each operation carries one number, 3 two, 5 (the reset) none.
    for (int numbers = operation == 3 ? 2 : operation == 5 ? 0 : 1; numbers > 0; --numbers) bits.Unsigned();
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

// Reads a slice header on from redundant_pic_cnt to the reference picture marking. False for a
// picture whose count does not take its place in the order: a redundant one (the decoder drops
// it), one whose marking resets the memory (its count starts afresh), one not read to the end.
bool CountsInOrder(RbspBits& bits, std::uint32_t type, const H264PictureSet& set, const H264Sequence& sequence,
                   bool idr, bool referenced) {
  const bool predicted = type == 0 || type == 3;
  const bool bidirectional = type == 1;
  if (set.redundantCount && bits.Unsigned() != 0) return false;
  if (bidirectional) bits.Bits(1);
  int counts[2] = {set.referenceCounts[0], set.referenceCounts[1]};
  if (predicted || bidirectional) {
    if (bits.Bits(1) != 0) {
      // Counts of up to 32 references: a larger one is refused below without overflowing.
      counts[0] = static_cast<int>(std::min<std::uint32_t>(bits.Unsigned(), 32)) + 1;
      if (bidirectional) counts[1] = static_cast<int>(std::min<std::uint32_t>(bits.Unsigned(), 32)) + 1;
    }
    if (counts[0] > 32 || counts[1] > 32) return false;
    SkipListModification(bits);
    if (bidirectional) SkipListModification(bits);
  }
  if ((set.weighted && predicted) || (set.bipredWeights == 1 && bidirectional)) {
    bits.Unsigned();
    if (sequence.chroma) bits.Unsigned();
    SkipWeights(bits, counts[0], sequence.chroma);
    if (bidirectional) SkipWeights(bits, counts[1], sequence.chroma);
  }
  const bool reset = referenced && MarkingResets(bits, idr);
  return !bits.overrun && !reset;
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

// The offset just past the start code at or after `at`; `size` when none is left. `begin` is
// left on the start code's first zero.
std::size_t NextStartCode(const std::uint8_t* data, std::size_t size, std::size_t at, std::size_t& begin) {
  begin = FindStartCode(data, size, at);
  return begin == size ? size : begin + 3;
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
    const auto sequence = ReadH264Sequence(nal + 1, size - 1);
    if (sequence) {
      sequences_[sequence->first] = sequence->second;
    } else {
      sequences_.fill({});  // which one it replaces is not known
    }
  } else if (type == kPictureParameterSet) {
    const auto set = ReadH264PictureSet(nal + 1, size - 1);
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
  const std::uint32_t setId = bits.Unsigned();
  if (setId > 255 || !pictureSets_[setId].known || !pictureSets_[setId].usable) return;
  const H264PictureSet& set = pictureSets_[setId];
  const H264Sequence& sequence = sequences_[static_cast<std::size_t>(set.sequence)];
  if (!sequence.known || !sequence.frameCoded) return;
  if (sequence.separateColourPlane) bits.Bits(2);
  bits.Bits(sequence.log2MaxFrameNum);
  if (picture.idr) bits.Unsigned();
  const auto lsb = static_cast<int>(bits.Bits(sequence.log2MaxOrderLsb));
  const std::int32_t bottom = set.bottomFieldOrder ? bits.Signed() : 0;
  if (!CountsInOrder(bits, type, set, sequence, picture.idr, referenced)) return;
  Count(lsb, bottom, sequence, referenced, picture);
}

// As FFmpeg counts a frame's picture order (type 0): the wrap of pic_order_cnt_lsb against the
// last reference picture's, the smaller of the two fields' counts.
void H264PictureReader::Count(int lsb, std::int32_t bottom, const H264Sequence& sequence, bool referenced,
                              H264Picture& picture) {
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
