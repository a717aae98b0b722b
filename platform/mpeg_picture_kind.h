// What an MPEG-1 or MPEG-2 video packet holds, read from its headers without decoding: the kind
// of picture (enough to know that no other picture refers to it), and whether leaving it
// undecoded would also drop state the pictures after it use, or change how long it is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarn::platform {

enum class MpegPictureKind {
  kUnknown,            // no picture header, a cut-off one, or a D picture
  kIntra,              // I
  kPredicted,          // P
  kBidirectional,      // B, a whole frame
  kBidirectionalField  // B, one field of a frame (the other may come in the next packet)
};

MpegPictureKind ReadMpegPictureKind(const std::uint8_t* data, std::size_t size);

struct MpegPictureHeaders {
  // Only the picture's own headers: its picture header, picture coding, display and copyright
  // extensions, user data. Nothing that lasts into the pictures after it: no sequence or group
  // header, quantiser matrices, sequence end.
  bool ownHeadersOnly = false;
  // The packet starts a sequence (or carries a sequence extension out of place): the decoder
  // takes progressive_sequence from it, unknown here for an extension out of place.
  bool changesSequence = false;
  std::optional<bool> progressiveSequence;
  // From the picture coding extension (an MPEG-1 picture has none: all false).
  bool repeatFirstField = false;
  bool topFieldFirst = false;
  bool progressiveFrame = false;

  // The extra fields the picture is shown for, counted as FFmpeg's decoder counts them
  // (AVFrame::repeat_pict: half a frame each) in a sequence progressive or not.
  int RepeatPict(bool progressive) const;
};

// Reads the headers of one picture as FFmpeg's parser cuts it out: the start codes before its
// first slice, and a sequence end code at its end.
MpegPictureHeaders ReadMpegPictureHeaders(const std::uint8_t* data, std::size_t size);

}  // namespace tarn::platform
