// Arbitrary bytes as a sound file for the tests' independent sound-file reader.
#include <cstddef>
#include <cstdint>
#include <span>

#include "tests/support/sound_file_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const aud_test::DecodedSound sound = aud_test::DecodeSound(std::span<const std::uint8_t>(data, size));
  if (sound.fileSize != size) __builtin_trap();
  return 0;
}
