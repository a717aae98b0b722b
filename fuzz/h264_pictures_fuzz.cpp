// Arbitrary bytes as an H.264 stream's extradata and packets for the picture reader the file
// reader leaves pictures out with: NAL units, parameter sets and slice headers of any file.
//   1 byte extradata length, the extradata, then per packet: 2 bytes length, the packet
// (a length of 0 restarts the reader, as after a seek).
#include <cstddef>
#include <cstdint>

#include "platform/h264_picture_kind.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t extradataBytes = data[0];
  if (size < 1 + extradataBytes) return 0;
  tarn::platform::H264PictureReader reader;
  if (!reader.Open(data + 1, extradataBytes)) return 0;
  std::size_t at = 1 + extradataBytes;
  while (at + 2 <= size) {
    const std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];
    at += 2;
    if (length == 0) {
      reader.Restart();
      continue;
    }
    if (length > size - at) break;
    const tarn::platform::H264Picture picture = reader.Read(data + at, length);
    // Only a whole packet is read as far as its picture, and only a known picture has an order.
    Require(picture.kind.intact || !picture.clear);
    Require(!picture.ordered || picture.picture);
    at += length;
  }
  return 0;
}
