#include "formats/sound_format.h"

#include <algorithm>

namespace tarn::aud {
namespace {

void Put16(SoundHeaderBytes& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(SoundHeaderBytes& bytes, std::size_t offset, std::uint32_t value) {
  Put16(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
  Put16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t BlockBytes(const SoundLayout& layout) {
  return layout.codec == SoundCodec::kImaAdpcm ? static_cast<std::uint16_t>(kAdpcmBlockBytes) : layout.channels;
}

std::uint16_t SamplesPerBlock(const SoundLayout& layout) {
  return layout.codec == SoundCodec::kImaAdpcm ? static_cast<std::uint16_t>(kAdpcmSamplesPerBlock) : 1;
}

}  // namespace

std::optional<SoundLayout> LayoutForMusicMode(std::int32_t musicMode) {
  switch (musicMode) {
    case 0: return SoundLayout{SoundCodec::kPcm8, 12'000, 2, 8};
    case 1: return SoundLayout{SoundCodec::kPcm8, 12'000, 1, 8};
    case 2: return SoundLayout{SoundCodec::kImaAdpcm, 12'000, 1, 4};
    case 3: return SoundLayout{SoundCodec::kImaAdpcm, 6'000, 1, 4};
    default: return std::nullopt;
  }
}

std::uint64_t DataBytesFor(const SoundLayout& layout, std::uint64_t frames) {
  if (layout.codec == SoundCodec::kPcm8) return frames * layout.channels;
  const std::uint64_t wholeBlocks = frames / kAdpcmSamplesPerBlock;
  const std::uint64_t rest = frames % kAdpcmSamplesPerBlock;
  const std::uint64_t lastBlock = rest == 0 ? 0 : kAdpcmBlockHeaderBytes + rest / 2;
  return wholeBlocks * kAdpcmBlockBytes + lastBlock;
}

SoundHeaderBytes EncodeSoundHeader(const SoundHeader& header) {
  SoundHeaderBytes bytes{};
  std::copy(kSoundMagic.begin(), kSoundMagic.end(), bytes.begin());
  Put16(bytes, 4, static_cast<std::uint16_t>(kSoundHeaderBytes));
  Put16(bytes, 6, header.musicMode);
  Put16(bytes, 8, static_cast<std::uint16_t>(header.layout.codec));
  Put16(bytes, 10, header.layout.channels);
  Put32(bytes, 12, header.layout.sampleRate);
  Put16(bytes, 16, header.layout.bitsPerSample);
  Put16(bytes, 18, BlockBytes(header.layout));
  Put32(bytes, 20, header.frames);
  Put32(bytes, 24, header.dataBytes);
  Put16(bytes, 28, SamplesPerBlock(header.layout));
  return bytes;
}

}  // namespace tarn::aud
