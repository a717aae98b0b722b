// What the headers in front of a coded MPEG-1/2 picture say before the picture is decoded: whether
// leaving the picture undecoded would also drop state that the pictures after it use, and whether
// it lasts longer than one frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::platform {

struct MpegPictureHeaders {
  // Only the picture's own headers: its picture header, picture coding, display and copyright
  // extensions, user data. Nothing that lasts into the pictures after it: no sequence or group
  // header, quantiser matrices, sequence end.
  bool ownHeadersOnly = false;
  // The picture coding extension asks for its first field again: the picture lasts longer than
  // one frame.
  bool repeatsFirstField = false;
};

// Reads the headers of one picture as the parser cut it out: the start codes before its first
// slice and a sequence end code at its end.
MpegPictureHeaders ReadMpegPictureHeaders(const std::uint8_t* data, std::size_t size);

}  // namespace tarn::platform
