#include "tarnaud/ima_adpcm.h"

#include <algorithm>
#include <array>

#include "formats/sound_format.h"

namespace tarn::aud {
namespace {

constexpr std::array<std::int32_t, 89> kStepSizes{
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<std::int32_t, 8> kIndexSteps{-1, -1, -1, -1, 2, 4, 6, 8};

}  // namespace

std::uint8_t ImaAdpcmEncoder::EncodeSample(std::int32_t sample) {
  const std::int32_t step = kStepSizes[static_cast<std::size_t>(stepIndex_)];
  std::int32_t difference = sample - predictor_;
  std::uint8_t code = 0;
  if (difference < 0) {
    code = 8;
    difference = -difference;
  }
  // The same successive approximation the decoder undoes: delta = (2 * code + 1) * step / 8.
  std::int32_t delta = step >> 3;
  if (difference >= step) {
    code |= 4;
    difference -= step;
    delta += step;
  }
  if (difference >= step >> 1) {
    code |= 2;
    difference -= step >> 1;
    delta += step >> 1;
  }
  if (difference >= step >> 2) {
    code |= 1;
    delta += step >> 2;
  }
  predictor_ += (code & 8) != 0 ? -delta : delta;
  predictor_ = std::clamp(predictor_, -32768, 32767);
  stepIndex_ = std::clamp(stepIndex_ + kIndexSteps[code & 7], 0, 88);
  return code;
}

std::size_t ImaAdpcmEncoder::EncodeBlock(const std::int16_t* samples, std::size_t count, std::uint8_t* block) {
  count = std::min(count, kAdpcmSamplesPerBlock);
  if (count == 0) return 0;
  predictor_ = samples[0];
  const auto first = static_cast<std::uint16_t>(samples[0]);
  block[0] = static_cast<std::uint8_t>(first & 0xFF);
  block[1] = static_cast<std::uint8_t>(first >> 8);
  block[2] = static_cast<std::uint8_t>(stepIndex_);
  block[3] = 0;

  std::uint8_t* data = block + kAdpcmBlockHeaderBytes;
  std::size_t nibble = 0;
  for (std::size_t i = 1; i < count; ++i, ++nibble) {
    const std::uint8_t code = EncodeSample(samples[i]);
    std::uint8_t& byte = data[nibble / 2];
    byte = (nibble % 2 == 0) ? code : static_cast<std::uint8_t>(byte | (code << 4));
  }
  return kAdpcmBlockHeaderBytes + (nibble + 1) / 2;
}

std::size_t DecodeAdpcmBlock(const std::uint8_t* block, std::size_t bytes, std::int16_t* samples) {
  if (bytes < kAdpcmBlockHeaderBytes) return 0;
  bytes = std::min(bytes, kAdpcmBlockBytes);
  std::int32_t predictor = static_cast<std::int16_t>(block[0] | (block[1] << 8));
  std::int32_t stepIndex = std::clamp<std::int32_t>(block[2], 0, 88);
  samples[0] = static_cast<std::int16_t>(predictor);
  const std::size_t codes = (bytes - kAdpcmBlockHeaderBytes) * 2;
  for (std::size_t i = 0; i < codes; ++i) {
    const std::uint8_t byte = block[kAdpcmBlockHeaderBytes + i / 2];
    const std::uint8_t code = (i % 2 == 0) ? (byte & 0x0F) : (byte >> 4);
    const std::int32_t step = kStepSizes[static_cast<std::size_t>(stepIndex)];
    std::int32_t delta = step >> 3;
    if ((code & 4) != 0) delta += step;
    if ((code & 2) != 0) delta += step >> 1;
    if ((code & 1) != 0) delta += step >> 2;
    predictor = std::clamp(predictor + ((code & 8) != 0 ? -delta : delta), -32768, 32767);
    stepIndex = std::clamp(stepIndex + kIndexSteps[code & 7], 0, 88);
    samples[i + 1] = static_cast<std::int16_t>(predictor);
  }
  return codes + 1;
}

}  // namespace tarn::aud
