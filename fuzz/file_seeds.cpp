#include "file_seeds.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "converter/settings/converter_settings.h"
#include "tarnaud/ima_adpcm.h"
#include "formats/sound_file_writer.h"
#include "formats/sound_format.h"

namespace tarn::fuzz {
namespace {

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

// The same text with CRLF line endings and a byte-order mark, as an editor elsewhere saves it.
std::string WithCrlfAndMark(const std::string& text) {
  std::string result = "\xEF\xBB\xBF";
  for (char c : text) result += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return result;
}

std::vector<std::int16_t> Tone(std::size_t frames, std::size_t channels) {
  std::vector<std::int16_t> samples(frames * channels);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(12000 * std::sin(static_cast<double>(i) * 0.07));
  return samples;
}

void WriteSound(const std::filesystem::path& file, std::int32_t musicMode, std::size_t frames) {
  const aud::SoundLayout layout = *aud::LayoutForMusicMode(musicMode);
  std::vector<std::uint8_t> data;
  const std::vector<std::int16_t> samples = Tone(frames, layout.channels);
  if (layout.codec == aud::SoundCodec::kPcm8) {
    for (std::int16_t sample : samples) data.push_back(static_cast<std::uint8_t>(sample >> 8));
  } else {
    aud::ImaAdpcmEncoder encoder;
    std::vector<std::uint8_t> block(aud::kAdpcmBlockBytes);
    for (std::size_t at = 0; at < frames; at += aud::kAdpcmSamplesPerBlock) {
      const std::size_t used =
          encoder.EncodeBlock(samples.data() + at, std::min(aud::kAdpcmSamplesPerBlock, frames - at), block.data());
      data.insert(data.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(used));
    }
  }
  aud::SoundFileWriter writer;
  writer.Create(file.string());
  writer.Append(data.data(), data.size());
  aud::SoundHeader header;
  header.musicMode = static_cast<std::uint16_t>(musicMode);
  header.layout = layout;
  header.frames = static_cast<std::uint32_t>(frames);
  header.dataBytes = static_cast<std::uint32_t>(data.size());
  writer.Finish(aud::EncodeSoundHeader(header));
}

}  // namespace

void WriteSettingsSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const std::filesystem::path file = dir / "written.ini";
  const settings::ProfileFile profile(file);
  settings::TitleSettings title;
  title.saveDir = "/home/user/nds/";
  title.limitSize = 536870912;
  title.brightness = title.contrast = 60;
  title.saturation = 3;
  title.enhance = 4;
  title.volumeEx = 50;
  title.imageV = 20;
  title.imageH = 30;
  settings::WriteTitleSettings(profile, title);
  settings::WriteText(profile, settings::keys::kMovieFileName, "C:\\0000000000.tmv(tms)");
  settings::AdvanceFileDefault(profile);
  settings::WriteText(profile, settings::keys::kSoundFileName, "C:\\temp.tms");
  profile.Write("Other", "Kept", "a line the programs do not own");
  WriteText(dir / "windows.ini", WithCrlfAndMark(ReadAll(file)));
}

void WriteSoundSeeds(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  for (std::int32_t mode = 0; mode <= 3; ++mode) WriteSound(dir / ("mode" + std::to_string(mode) + ".tms"), mode, 1200);
  WriteSound(dir / "short-block.tms", 2, aud::kAdpcmSamplesPerBlock + 1);
}

}  // namespace tarn::fuzz
