// Start codes (00 00 01) of the MPEG video and H.264 byte streams, which mark where a header or
// a NAL unit begins.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::platform {

// The offset of the first start code's first zero at or after `at`; `size` when none is left.
inline std::size_t FindStartCode(const std::uint8_t* data, std::size_t size, std::size_t at) {
  for (; at + 2 < size; ++at) {
    if (data[at + 2] > 1) {
      at += 2;  // no start code ends in the next two bytes either
    } else if (data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1) {
      return at;
    }
  }
  return size;
}

}  // namespace tarn::platform
