#include "formats/sound_format.h"

#include <algorithm>
#include <string>

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

std::uint16_t Get16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return Get16(bytes, offset) | (std::uint32_t{Get16(bytes, offset + 2)} << 16);
}

std::string HeaderFault(const SoundHeader& header, std::uint64_t fileSize) {
  const std::optional<SoundLayout> layout = LayoutForMusicMode(header.musicMode);
  if (!layout) return "MusicMode " + std::to_string(header.musicMode) + " is none of 0-3";
  if (layout->codec != header.layout.codec || layout->channels != header.layout.channels ||
      layout->sampleRate != header.layout.sampleRate || layout->bitsPerSample != header.layout.bitsPerSample)
    return "the codec, channels, rate or sample size do not match MusicMode " + std::to_string(header.musicMode);
  if (header.dataBytes != fileSize - kSoundHeaderBytes)
    return "the header gives " + std::to_string(header.dataBytes) + " data bytes but the file has " +
           std::to_string(fileSize - kSoundHeaderBytes);
  if (DataBytesFor(*layout, header.frames) != header.dataBytes)
    return std::to_string(header.frames) + " sample frames do not fill " + std::to_string(header.dataBytes) + " bytes";
  return {};
}

}  // namespace

ReadSoundHeader ParseSoundHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
  ReadSoundHeader read;
  if (bytes.size() < kSoundHeaderBytes || fileSize < kSoundHeaderBytes) return read;
  bytes = bytes.first(kSoundHeaderBytes);
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) {
    read.state = SoundFileState::kUnfinished;
    return read;
  }
  if (!std::equal(kSoundMagic.begin(), kSoundMagic.end(), bytes.begin())) return read;
  SoundHeader& header = read.header;
  header.musicMode = Get16(bytes, 6);
  header.layout.codec = static_cast<SoundCodec>(Get16(bytes, 8));
  header.layout.channels = Get16(bytes, 10);
  header.layout.sampleRate = Get32(bytes, 12);
  header.layout.bitsPerSample = Get16(bytes, 16);
  header.frames = Get32(bytes, 20);
  header.dataBytes = Get32(bytes, 24);
  read.problem = HeaderFault(header, fileSize);
  read.state = read.problem.empty() ? SoundFileState::kFinished : SoundFileState::kDamaged;
  return read;
}

std::optional<SoundLayout> LayoutForMusicMode(std::int32_t musicMode) {
  switch (musicMode) {
    case 0:
      return SoundLayout{SoundCodec::kPcm8, 12'000, 2, 8};
    case 1:
      return SoundLayout{SoundCodec::kPcm8, 12'000, 1, 8};
    case 2:
      return SoundLayout{SoundCodec::kImaAdpcm, 12'000, 1, 4};
    case 3:
      return SoundLayout{SoundCodec::kImaAdpcm, 6'000, 1, 4};
    default:
      return std::nullopt;
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
