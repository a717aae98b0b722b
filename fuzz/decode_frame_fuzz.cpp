// Arbitrary bytes as one record (length word, then the payload) for the frame decoder,
// against a patterned reference. ASan watches the exact-size pictures.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/frame_decoder.h"

namespace {

std::vector<std::uint16_t> PatternedReference() {
  std::vector<std::uint16_t> reference(tarn::codec::kReferencePixels);
  for (std::size_t i = 0; i < reference.size(); ++i) {
    reference[i] = static_cast<std::uint16_t>((i * 2654435761u >> 13) & 0x7FFF);
  }
  return reference;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint16_t> reference = PatternedReference();
  std::vector<std::uint16_t> target(tarn::codec::kReferencePixels);
  tarn::codec::DecodeFrame(data, size, reference.data(), target.data());
  return 0;
}
