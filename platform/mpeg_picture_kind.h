// What kind of picture an MPEG-1 or MPEG-2 video packet holds, read from its picture header
// (and the picture coding extension of MPEG-2) without decoding: enough to know that no other
// picture refers to it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::platform {

enum class MpegPictureKind {
  kUnknown,            // no picture header, a cut-off one, or a D picture
  kIntra,              // I
  kPredicted,          // P
  kBidirectional,      // B, a whole frame
  kBidirectionalField  // B, one field of a frame (the other may come in the next packet)
};

MpegPictureKind ReadMpegPictureKind(const std::uint8_t* data, std::size_t size);

}  // namespace tarn::platform
