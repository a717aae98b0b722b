// The two working buffers of a stream, allocated zeroed at stream start and released at stop.
//
// Picture buffer: the prepared picture at offset 0, the fitting scratch after it and, from
// offset 300,000, two pictures of the handheld's colour words: the reference and the record
// decoded against it, which trade places once the decoding succeeds (no copy). Record
// buffer: the record (length word, payload, appendix) at offset 0 and the reference copy at
// offset 300,000. Zeroing both whole makes the next frame predict from black.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/screen.h"
#include "formats/record_builder.h"

namespace tarn::venc {

inline constexpr std::size_t kPictureBufferBytes = 600'000;
inline constexpr std::size_t kRecordBufferBytes = 500'000;
inline constexpr std::size_t kReferenceOffset = 300'000;

struct PictureBuffer {
  std::uint8_t prepared[codec::kRgbPictureBytes];
  std::uint8_t fitWork[codec::kRgbPictureBytes];
  std::uint8_t unused1[kReferenceOffset - 2 * codec::kRgbPictureBytes];
  std::uint16_t references[2][codec::kReferencePixels];
  std::uint8_t unused2[kPictureBufferBytes - kReferenceOffset - 2 * codec::kReferenceBytes];
};
static_assert(sizeof(PictureBuffer) == kPictureBufferBytes);
static_assert(offsetof(PictureBuffer, references) == kReferenceOffset);

struct RecordBuffer {
  std::uint8_t record[kReferenceOffset];
  std::uint8_t referenceCopy[codec::kRgbPictureBytes];
  std::uint8_t unused[kRecordBufferBytes - kReferenceOffset - codec::kRgbPictureBytes];
};
static_assert(sizeof(RecordBuffer) == kRecordBufferBytes);
static_assert(offsetof(RecordBuffer, referenceCopy) == kReferenceOffset);
// The largest payload the encoder writes, with an appendix behind it, fits before the copy.
static_assert(movie::kRecordBufferBytes <= kReferenceOffset);

}  // namespace tarn::venc
