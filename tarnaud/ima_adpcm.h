// IMA ADPCM encoding of mono 16-bit samples into the sound file's blocks.
//
// Each block starts from its own first sample (stored whole in the block header) and the
// step index the previous block ended with, so a player can start at any block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::aud {

class ImaAdpcmEncoder {
 public:
  // Encodes 1 to kAdpcmSamplesPerBlock samples into `block` and returns the bytes used:
  // kAdpcmBlockBytes for a full block, fewer for a short last one.
  std::size_t EncodeBlock(const std::int16_t* samples, std::size_t count, std::uint8_t* block);

  void Reset() { stepIndex_ = 0; }

 private:
  // One sample: the 4-bit code, with the predictor and step index moved as a decoder will.
  std::uint8_t EncodeSample(std::int32_t sample);

  std::int32_t predictor_ = 0;
  std::int32_t stepIndex_ = 0;
};

// Decodes one block of `bytes` bytes (a full block, or a short last one) into `samples`, which
// has room for kAdpcmSamplesPerBlock; returns the samples decoded (0 for a block shorter than
// its header).
std::size_t DecodeAdpcmBlock(const std::uint8_t* block, std::size_t bytes, std::int16_t* samples);

}  // namespace tarn::aud
