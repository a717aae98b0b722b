#include "tools/tmvtool/sound_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "tarnaud/ima_adpcm.h"
#include "formats/sound_format.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {
namespace {

using aud::SoundCodec;
using aud::SoundFileState;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct OpenedSound {
  File file;
  std::uint64_t size = 0;
  aud::ReadSoundHeader header;
};

// Opens the file and reads its header; reports an unreadable file and returns no file.
OpenedSound OpenSound(const std::string& path) {
  OpenedSound sound;
  std::error_code error;
  sound.size = std::filesystem::file_size(path, error);
  sound.file.reset(error ? nullptr : std::fopen(path.c_str(), "rb"));
  if (!sound.file) {
    PrintError(path + ": " + (error ? error.message() : ErrorText(errno)));
    return sound;
  }
  aud::SoundHeaderBytes bytes{};
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), sound.file.get());
  sound.header = aud::ParseSoundHeader(std::span(bytes.data(), got), sound.size);
  return sound;
}

std::string Duration(std::uint64_t frames, std::uint32_t rate) {
  const std::uint64_t millis = rate == 0 ? 0 : frames * 1000 / rate;
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, millis / 3600000,
                millis / 60000 % 60, millis / 1000 % 60, millis % 1000);
  return text.data();
}

// Why the file cannot be played, or "".
std::string Unplayable(const std::string& path, const OpenedSound& sound) {
  switch (sound.header.state) {
    case SoundFileState::kFinished:
      return {};
    case SoundFileState::kUnfinished:
      return path + " is unfinished: its header is still zero (the conversion was interrupted), so its mode is unknown";
    case SoundFileState::kDamaged:
      return path + " is damaged: " + sound.header.problem;
    case SoundFileState::kNotSound:
      break;
  }
  return path + ": not a sound file";
}

void PutLe(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> WavHeader(const aud::SoundLayout& layout, std::uint32_t frames) {
  const std::uint32_t frameBytes = 2u * layout.channels;
  const std::uint32_t dataBytes = frames * frameBytes;
  std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F'};
  PutLe(bytes, 36 + dataBytes, 4);
  for (char c : std::string_view("WAVEfmt ")) bytes.push_back(static_cast<std::uint8_t>(c));
  PutLe(bytes, 16, 4);
  PutLe(bytes, 1, 2);  // PCM
  PutLe(bytes, layout.channels, 2);
  PutLe(bytes, layout.sampleRate, 4);
  PutLe(bytes, layout.sampleRate * frameBytes, 4);
  PutLe(bytes, frameBytes, 2);
  PutLe(bytes, 16, 2);
  for (char c : std::string_view("data")) bytes.push_back(static_cast<std::uint8_t>(c));
  PutLe(bytes, dataBytes, 4);
  return bytes;
}

// Reads the sound data after the header and hands on 16-bit samples, channels interleaved.
template <typename Sink>
bool DecodeData(std::FILE* in, const aud::SoundLayout& layout, Sink sink) {
  std::array<std::uint8_t, aud::kAdpcmBlockBytes> block{};
  std::array<std::int16_t, aud::kAdpcmBlockBytes> wide{};
  std::array<std::int16_t, aud::kAdpcmSamplesPerBlock> samples{};
  for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), in)) > 0;) {
    if (layout.codec == SoundCodec::kImaAdpcm) {
      if (!sink(samples.data(), aud::DecodeAdpcmBlock(block.data(), got, samples.data()))) return false;
      continue;
    }
    // Signed 8-bit samples take the high byte of 16.
    std::transform(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got), wide.begin(),
                   [](std::uint8_t b) { return static_cast<std::int16_t>(static_cast<std::int8_t>(b) * 256); });
    if (!sink(wide.data(), got)) return false;
  }
  return std::ferror(in) == 0;
}

}  // namespace

bool IsSoundFile(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (extension == ".tms") return true;
  const File file(std::fopen(path.c_str(), "rb"));
  std::array<std::uint8_t, 4> magic{};
  return file && std::fread(magic.data(), 1, magic.size(), file.get()) == magic.size() && magic == aud::kSoundMagic;
}

int PrintSoundInfo(const std::string& path) {
  const OpenedSound sound = OpenSound(path);
  if (!sound.file) return kExitFailure;
  std::printf("file: %s\nsize: %" PRIu64 " bytes\n", path.c_str(), sound.size);
  const aud::SoundHeader& header = sound.header.header;
  switch (sound.header.state) {
    case SoundFileState::kNotSound:
      PrintError(path + ": not a sound file");
      return kExitFailure;
    case SoundFileState::kUnfinished:
      std::printf("header: unfinished: all 64 bytes are zero (the conversion was interrupted)\n");
      PrintError("warning: " + Unplayable(path, sound));
      return kExitOk;
    case SoundFileState::kDamaged:
    case SoundFileState::kFinished:
      break;
  }
  const aud::SoundLayout& layout = header.layout;
  std::printf("header: %s: \"TMS1\", MusicMode %u, %s, %u %s, %" PRIu32 " Hz, %u bits per sample\n",
              sound.header.state == SoundFileState::kFinished ? "finished" : "damaged", header.musicMode,
              layout.codec == SoundCodec::kImaAdpcm ? "IMA ADPCM" : "8-bit PCM", layout.channels,
              layout.channels == 1 ? "channel" : "channels", layout.sampleRate, layout.bitsPerSample);
  std::printf("length: %s (%" PRIu32 " sample frames, %" PRIu32 " data bytes)\n",
              Duration(header.frames, layout.sampleRate).c_str(), header.frames, header.dataBytes);
  if (sound.header.state == SoundFileState::kDamaged) {
    PrintError(Unplayable(path, sound));
    return kExitFailure;
  }
  return kExitOk;
}

int DecodeSoundToWav(const std::string& path, const std::string& wavPath) {
  const OpenedSound sound = OpenSound(path);
  if (!sound.file) return kExitFailure;
  if (const std::string problem = Unplayable(path, sound); !problem.empty()) {
    PrintError(problem);
    return kExitFailure;
  }
  const aud::SoundLayout& layout = sound.header.header.layout;
  File out(std::fopen(wavPath.c_str(), "wb"));
  if (!out) {
    PrintError("cannot write " + wavPath + ": " + ErrorText(errno));
    return kExitFailure;
  }
  const std::vector<std::uint8_t> header = WavHeader(layout, sound.header.header.frames);
  bool written = std::fwrite(header.data(), 1, header.size(), out.get()) == header.size();
  std::uint64_t samplesLeft = std::uint64_t{sound.header.header.frames} * layout.channels;
  std::array<std::uint8_t, 2 * aud::kAdpcmSamplesPerBlock> bytes{};
  const bool read =
      written && DecodeData(sound.file.get(), layout, [&](const std::int16_t* samples, std::size_t count) {
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, samplesLeft));
        samplesLeft -= count;
        for (std::size_t i = 0; i < count; ++i) {
          bytes[2 * i] = static_cast<std::uint8_t>(samples[i] & 0xFF);
          bytes[2 * i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(samples[i]) >> 8);
        }
        written = std::fwrite(bytes.data(), 1, 2 * count, out.get()) == 2 * count;
        return written;
      });
  const int errorNumber = errno;
  if (std::fclose(out.release()) != 0) written = false;
  if (!read || !written) {
    PrintError((read ? "cannot write " + wavPath : "cannot read " + path) + ": " + ErrorText(errorNumber));
    std::remove(wavPath.c_str());
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tarn::tmvtool
