#include "tests/support/sound_file_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace aud_test {

namespace {

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return Get16(b, at) | (static_cast<std::uint32_t>(Get16(b, at + 2)) << 16);
}

// The textbook IMA ADPCM decoder.
// A block shorter than its 4-byte header (a cut file) holds no sample.
void DecodeImaBlock(const std::uint8_t* block, std::size_t size, std::vector<double>& out) {
  static constexpr std::array<int, 16> kIndexTable{-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
  static constexpr std::array<int, 89> kSteps{
      7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
      31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
      130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
      544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
      2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
      9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
  if (size < 4) return;
  int predictor = static_cast<std::int16_t>(block[0] | (block[1] << 8));
  int index = std::min<int>(block[2], 88);
  out.push_back(predictor / 32768.0);
  for (std::size_t i = 4; i < size; ++i) {
    for (int nibble : {block[i] & 0x0F, block[i] >> 4}) {
      const int step = kSteps[static_cast<std::size_t>(index)];
      int diff = step >> 3;
      if (nibble & 4) diff += step;
      if (nibble & 2) diff += step >> 1;
      if (nibble & 1) diff += step >> 2;
      predictor = std::clamp(nibble & 8 ? predictor - diff : predictor + diff, -32768, 32767);
      index = std::clamp(index + kIndexTable[static_cast<std::size_t>(nibble)], 0, 88);
      out.push_back(predictor / 32768.0);
    }
  }
}

}  // namespace

DecodedSound DecodeSound(std::span<const std::uint8_t> b) {
  DecodedSound sound;
  sound.fileSize = b.size();
  if (b.size() < 64) return sound;
  sound.finished = std::memcmp(b.data(), "TMS1", 4) == 0;
  sound.headerSize = Get16(b, 4);
  sound.musicMode = Get16(b, 6);
  sound.codec = Get16(b, 8);
  sound.channels = Get16(b, 10);
  sound.sampleRate = Get32(b, 12);
  sound.bitsPerSample = Get16(b, 16);
  sound.blockBytes = Get16(b, 18);
  sound.frames = Get32(b, 20);
  sound.dataBytes = Get32(b, 24);
  sound.samplesPerBlock = Get16(b, 28);
  if (!sound.finished || sound.channels == 0) return sound;
  sound.channelSamples.resize(sound.channels);
  const std::uint8_t* data = b.data() + 64;
  const std::size_t size = b.size() - 64;
  if (sound.codec == 1) {
    for (std::size_t i = 0; i < size; ++i)
      sound.channelSamples[i % sound.channels].push_back(static_cast<std::int8_t>(data[i]) / 128.0);
  } else if (sound.codec == 2) {
    for (std::size_t at = 0; at < size; at += 256)
      DecodeImaBlock(data + at, std::min<std::size_t>(256, size - at), sound.channelSamples[0]);
    // A short last block may end on half a byte.
    sound.channelSamples[0].resize(std::min<std::size_t>(sound.channelSamples[0].size(), sound.frames));
  }
  return sound;
}

}  // namespace aud_test
