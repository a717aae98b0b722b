// The sound file (.tms) that goes with a movie file: a 64-byte header followed by the sound
// data, all numbers little-endian. The header stays zero while the file is written and is
// filled in when the stream ends, so a file with a zero header is an unfinished one.
// docs/sound-format.md describes the layout for players.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarn::aud {

inline constexpr std::size_t kSoundHeaderBytes = 64;
using SoundHeaderBytes = std::array<std::uint8_t, kSoundHeaderBytes>;

inline constexpr std::array<std::uint8_t, 4> kSoundMagic{'T', 'M', 'S', '1'};

enum class SoundCodec : std::uint16_t {
  kPcm8 = 1,      // signed 8-bit samples, channels interleaved
  kImaAdpcm = 2,  // 4-bit IMA ADPCM in blocks, mono
};

// IMA ADPCM blocks: a 4-byte block header (the first sample as signed 16 bits, the step
// index, a zero byte), then two samples per byte, the earlier one in the low nibble. Only
// the last block of a file may be shorter.
inline constexpr std::size_t kAdpcmBlockBytes = 256;
inline constexpr std::size_t kAdpcmBlockHeaderBytes = 4;
inline constexpr std::size_t kAdpcmSamplesPerBlock = 1 + (kAdpcmBlockBytes - kAdpcmBlockHeaderBytes) * 2;  // 505

// What one `MusicMode` writes.
struct SoundLayout {
  SoundCodec codec = SoundCodec::kPcm8;
  std::uint32_t sampleRate = 0;
  std::uint16_t channels = 0;
  std::uint16_t bitsPerSample = 0;
};

// MusicMode 0: 8-bit stereo 12 kHz, 1: 8-bit mono 12 kHz, 2: ADPCM mono 12 kHz,
// 3: ADPCM mono 6 kHz. Nothing for any other value.
std::optional<SoundLayout> LayoutForMusicMode(std::int32_t musicMode);

// Bytes of sound data that hold `frames` sample frames in `layout`.
std::uint64_t DataBytesFor(const SoundLayout& layout, std::uint64_t frames);

struct SoundHeader {
  std::uint16_t musicMode = 0;
  SoundLayout layout;
  std::uint32_t frames = 0;     // sample frames (one sample per channel)
  std::uint32_t dataBytes = 0;  // bytes after the header
};

// Offsets: 0 magic "TMS1", 4 header size (u16), 6 MusicMode (u16), 8 codec (u16),
// 10 channels (u16), 12 sample rate (u32), 16 bits per sample (u16), 18 block bytes (u16),
// 20 sample frames (u32), 24 data bytes (u32), 28 samples per block (u16), 30-63 zero.
SoundHeaderBytes EncodeSoundHeader(const SoundHeader& header);

enum class SoundFileState {
  kFinished,    // "TMS1" and a header that agrees with itself and the file
  kUnfinished,  // a zero header: the conversion was interrupted
  kDamaged,     // "TMS1" but something in the header is wrong; `problem` says what
  kNotSound,    // no "TMS1", and not zero either
};

struct ReadSoundHeader {
  SoundFileState state = SoundFileState::kNotSound;
  SoundHeader header;
  std::string problem;
};

// Reads the header from the first bytes of a file of `fileSize` bytes.
ReadSoundHeader ParseSoundHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize);

}  // namespace tarn::aud
