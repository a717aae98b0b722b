// Arbitrary bytes as a settings file: the profile text keeps every byte it does not own through
// a parse and an edit, and every program's reader takes what it can and keeps its values in
// their ranges.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "converter/settings/converter_settings.h"
#include "encoder/encoder_settings.h"
#include "base/profile_document.h"
#include "fuzz_temp_folder.h"
#include "tarnaud/sound_settings.h"

namespace {

using namespace tarn;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckDocument(std::string_view text) {
  const settings::ProfileDocument document = settings::ProfileDocument::Parse(text);
  Require(document.Text() == text);
  settings::ProfileDocument edited = document;
  Require(!edited.Set("SaveMovie", "FileDefault", "00042"));
  Require(edited.Find("savemovie", "filedefault") == "00042");
  const std::string editedText = edited.Text();
  Require(settings::ProfileDocument::Parse(editedText).Find("SaveMovie", "FileDefault") == "00042");
  // The edit replaces one line or adds one or two; it never drops one.
  Require(std::count(editedText.begin(), editedText.end(), '\n') >= std::count(text.begin(), text.end(), '\n'));
}

void CheckReaders(const settings::ProfileFile& file) {
  const settings::EncoderSettings encoder = settings::ReadEncoderSettings(file);
  Require(encoder.imageWidth >= 8 && encoder.imageWidth <= 360 && encoder.imageHeight >= 8 &&
          encoder.imageHeight <= 240);
  Require(encoder.fileName.size() < 4096);
  const settings::TitleSettings title = settings::ReadTitleSettings(file);
  Require(title.saveDir.size() < 4096);
  settings::LimitSizeInMiB(title.limitSize);
  settings::SaturationPosition(title.saturation);
  settings::SharpeningPosition(title.enhance);
  settings::PixelsFromUnits(title.imageH);
  settings::PixelsFromUnits(title.imageV);
  Require(settings::ReadFileDefault(file).size() < settings::kFileDefaultBuffer);
  const aud::SoundSettings sound = aud::ReadSoundSettings(file);
  Require(sound.musicMode >= 0 && sound.musicMode <= 3 && (sound.channel == 0 || sound.channel == 1));
  Require(sound.volumeEx >= 0 && sound.volumeEx <= 100);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::TempFolder folder;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckDocument(text);
  const std::filesystem::path path = folder.path() / "TarnMedia.ini";
  fuzz::WriteBytes(path, data, size);
  CheckReaders(settings::ProfileFile(path));
  return 0;
}
