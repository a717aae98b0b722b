#include "platform/mpeg_picture_headers.h"

namespace tarn::platform {

namespace {

constexpr std::uint8_t kPictureStart = 0x00;
constexpr std::uint8_t kFirstSlice = 0x01;
constexpr std::uint8_t kLastSlice = 0xAF;
constexpr std::uint8_t kUserData = 0xB2;
constexpr std::uint8_t kExtension = 0xB5;
constexpr std::uint8_t kSequenceEnd = 0xB7;
// Extensions that belong to one picture (the others change the sequence or its quantisers).
constexpr std::uint8_t kCopyrightExtension = 0x4;
constexpr std::uint8_t kPictureDisplayExtension = 0x7;
constexpr std::uint8_t kPictureCodingExtension = 0x8;

bool IsStartCode(const std::uint8_t* at) { return at[0] == 0 && at[1] == 0 && at[2] == 1; }

}  // namespace

MpegPictureHeaders ReadMpegPictureHeaders(const std::uint8_t* data, std::size_t size) {
  MpegPictureHeaders headers;
  // The parser ends a picture after its slices at the next start code, keeping only a sequence end.
  if (size >= 4 && IsStartCode(data + size - 4) && data[size - 1] == kSequenceEnd) return headers;
  bool picture = false;
  for (std::size_t i = 0; i + 4 <= size; ++i) {
    if (!IsStartCode(data + i)) continue;
    const std::uint8_t code = data[i + 3];
    if (code >= kFirstSlice && code <= kLastSlice) {
      headers.ownHeadersOnly = picture;
      return headers;
    }
    if (code == kPictureStart) {
      picture = true;
    } else if (code == kExtension && i + 8 <= size) {
      const std::uint8_t extension = data[i + 4] >> 4;
      if (extension == kPictureCodingExtension) {
        headers.repeatsFirstField = (data[i + 7] & 0x02) != 0;
      } else if (extension != kPictureDisplayExtension && extension != kCopyrightExtension) {
        return headers;
      }
    } else if (code != kUserData) {
      return headers;
    }
    i += 3;
  }
  return headers;  // no slice: nothing known about it
}

}  // namespace tarn::platform
