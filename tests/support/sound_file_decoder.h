// A reader of the sound file that decodes it on its own (header by offsets, 8-bit PCM, IMA
// ADPCM), independent of the encoder's code, for the tests' checks and the fuzz target.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace aud_test {

struct DecodedSound {
  std::uint64_t fileSize = 0;
  bool finished = false;  // the magic is in place
  std::uint16_t headerSize = 0, musicMode = 0, codec = 0, channels = 0, bitsPerSample = 0, blockBytes = 0,
                samplesPerBlock = 0;
  std::uint32_t sampleRate = 0, frames = 0, dataBytes = 0;
  std::vector<std::vector<double>> channelSamples;  // decoded, full scale = 1
};

// The whole file's bytes, whatever they are.
DecodedSound DecodeSound(std::span<const std::uint8_t> bytes);

}  // namespace aud_test
