#include "platform/mpeg_picture_kind.h"

#include "platform/start_codes.h"

namespace tarn::platform {

namespace {

constexpr std::uint8_t kPictureStart = 0x00;
constexpr std::uint8_t kFirstSliceStart = 0x01;
constexpr std::uint8_t kLastSliceStart = 0xAF;
constexpr std::uint8_t kUserDataStart = 0xB2;
constexpr std::uint8_t kSequenceStart = 0xB3;
constexpr std::uint8_t kExtensionStart = 0xB5;
constexpr std::uint8_t kSequenceEnd = 0xB7;
// Extensions that belong to one picture (the others change the sequence or its quantisers).
constexpr std::uint8_t kSequenceExtension = 1;
constexpr std::uint8_t kCopyrightExtension = 4;
constexpr std::uint8_t kPictureDisplayExtension = 7;
constexpr std::uint8_t kPictureCodingExtension = 8;
constexpr std::uint8_t kFramePicture = 3;

// The code byte of the next start code (00 00 01 xx) at or after `at`; `at` is left on its
// first zero. False when none is left.
bool NextStartCode(const std::uint8_t* data, std::size_t size, std::size_t& at) {
  at = FindStartCode(data, size, at);
  return at + 3 < size;
}

MpegPictureKind KindOfCodingType(int codingType) {
  switch (codingType) {
    case 1:
      return MpegPictureKind::kIntra;
    case 2:
      return MpegPictureKind::kPredicted;
    case 3:
      return MpegPictureKind::kBidirectional;
    default:
      return MpegPictureKind::kUnknown;
  }
}

}  // namespace

MpegPictureKind ReadMpegPictureKind(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return MpegPictureKind::kUnknown;
  std::size_t at = 0;
  // Sequence and group headers may come first.
  for (;; at += 3) {
    if (!NextStartCode(data, size, at)) return MpegPictureKind::kUnknown;
    if (data[at + 3] == kPictureStart) break;
  }
  // temporal_reference (10 bits), then picture_coding_type (3 bits).
  if (at + 5 >= size) return MpegPictureKind::kUnknown;
  const MpegPictureKind kind = KindOfCodingType((data[at + 5] >> 3) & 7);
  if (kind != MpegPictureKind::kBidirectional) return kind;
  // MPEG-2 tells a field picture in the picture coding extension, before the first slice;
  // MPEG-1 has only frame pictures.
  for (at += 4; NextStartCode(data, size, at); at += 3) {
    const std::uint8_t code = data[at + 3];
    if (code >= kFirstSliceStart && code <= kLastSliceStart) break;
    if (code == kExtensionStart && at + 6 < size && (data[at + 4] >> 4) == kPictureCodingExtension)
      return (data[at + 6] & 3) == kFramePicture ? kind : MpegPictureKind::kBidirectionalField;
  }
  return kind;
}

MpegPictureHeaders ReadMpegPictureHeaders(const std::uint8_t* data, std::size_t size) {
  MpegPictureHeaders headers;
  if (data == nullptr) return headers;
  bool own = true;
  // After its slices the parser ends a picture at the next start code, keeping only a sequence end.
  if (size >= 4 && data[size - 4] == 0 && data[size - 3] == 0 && data[size - 2] == 1 && data[size - 1] == kSequenceEnd)
    own = false;
  bool picture = false;
  std::uint8_t previousCode = kPictureStart;
  for (std::size_t at = 0; NextStartCode(data, size, at); previousCode = data[at + 3], at += 3) {
    const std::uint8_t code = data[at + 3];
    if (code >= kFirstSliceStart && code <= kLastSliceStart) {
      headers.ownHeadersOnly = own && picture;
      return headers;
    }
    if (code == kPictureStart) {
      picture = true;
    } else if (code == kSequenceStart) {
      // MPEG-1 has no sequence extension, and its sequences are progressive.
      own = false;
      headers.changesSequence = true;
      headers.progressiveSequence = true;
    } else if (code == kExtensionStart && at + 8 < size) {
      const std::uint8_t extension = data[at + 4] >> 4;
      if (extension == kPictureCodingExtension) {
        headers.topFieldFirst = (data[at + 7] & 0x80) != 0;
        headers.repeatFirstField = (data[at + 7] & 0x02) != 0;
        headers.progressiveFrame = (data[at + 8] & 0x80) != 0;
      } else if (extension == kSequenceExtension) {
        own = false;
        headers.changesSequence = true;
        headers.progressiveSequence.reset();
        if (previousCode == kSequenceStart) headers.progressiveSequence = (data[at + 5] & 0x08) != 0;
      } else if (extension != kPictureDisplayExtension && extension != kCopyrightExtension) {
        own = false;
      }
    } else if (code != kUserDataStart) {
      own = false;
    }
  }
  return headers;  // no slice: nothing is known of it
}

int MpegPictureHeaders::RepeatPict(bool progressive) const {
  if (!repeatFirstField) return 0;
  if (progressive) return topFieldFirst ? 4 : 2;
  return progressiveFrame ? 1 : 0;
}

}  // namespace tarn::platform
