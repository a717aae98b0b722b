#include "navigator_test_support.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support/sound_test_support.h"

namespace nav_test {
namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

fs::path PrivateRegistry(const fs::path& folder, const std::vector<std::string>& leftOut) {
  std::ifstream in(fs::path(TARN_BUILD_DIR) / "filters.ini");
  std::vector<std::vector<std::string>> sections;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') sections.emplace_back();
    if (!sections.empty()) sections.back().push_back(line);
  }
  const fs::path copy = folder / "filters.ini";
  std::ofstream out(copy);
  for (const auto& section : sections) {
    bool dropped = false;
    for (const std::string& line : section)
      for (const std::string& name : leftOut) dropped = dropped || line == "Class=" + name;
    if (dropped) continue;
    for (const std::string& line : section) out << line << '\n';
  }
  return copy;
}

ToolRun RunTmvtool(const std::vector<std::string>& args, const fs::path& registry, const fs::path& ini) {
  std::string command = "LANGUAGE= LC_ALL=C.UTF-8 TARNMEDIA_FILTERS=" + Quote(registry.string()) +
                        " TARNMEDIA_INI=" + Quote(ini.string()) + " timeout 120 " + Quote(TMVTOOL_PATH);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " 2>&1";
  ToolRun run;
  const auto started = std::chrono::steady_clock::now();
  run.output = tarn::dvd::test::RunCommand(command, run.status);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return run;
}

std::vector<Picture> MoviePictures(const fs::path& movie) {
  constexpr int kWidth = 240, kHeight = 160;
  int status = 0;
  const std::string raw =
      tarn::dvd::test::RunCommand(Quote(TMVTOOL_PATH) + " decode " + Quote(movie.string()) + " --raw", status);
  std::vector<Picture> pictures;
  const size_t frameBytes = kWidth * kHeight * 3;
  for (size_t offset = 0; offset + frameBytes <= raw.size(); offset += frameBytes) {
    Picture picture;
    const auto* pixel = reinterpret_cast<const unsigned char*>(raw.data() + offset);
    for (int i = 0; i < kWidth * kHeight; ++i, pixel += 3) {
      picture.blue += pixel[0];
      picture.green += pixel[1];
      picture.red += pixel[2];
      if (pixel[0] > 200 && pixel[1] > 200 && pixel[2] > 200) ++picture.brightPixels;
    }
    picture.blue /= kWidth * kHeight;
    picture.green /= kWidth * kHeight;
    picture.red /= kWidth * kHeight;
    pictures.push_back(picture);
  }
  return pictures;
}

Sound ReadSoundFile(const fs::path& file) {
  const aud_test::DecodedSound decoded = aud_test::ReadSound(file);
  Sound sound;
  sound.finished = decoded.finished;
  sound.rate = decoded.sampleRate;
  if (!decoded.channelSamples.empty()) sound.samples = decoded.channelSamples.front();
  return sound;
}

double ToneFrequency(const Sound& sound) {
  // The median over windows of a tenth of a second: a short gap at a chapter edge (the test
  // disc's chapters are separate files) must not pull the figure down.
  const auto window = static_cast<size_t>(sound.rate / 10);
  std::vector<double> rates;
  for (size_t from = 0; window > 0 && from + window <= sound.samples.size(); from += window)
    rates.push_back(aud_test::ZeroCrossingFrequency(sound.samples, sound.rate, from, from + window));
  if (rates.empty()) return 0;
  std::nth_element(rates.begin(), rates.begin() + static_cast<std::ptrdiff_t>(rates.size() / 2), rates.end());
  return rates[rates.size() / 2];
}

double SoundOnset(const Sound& sound, double level) {
  for (size_t i = 0; i < sound.samples.size(); ++i)
    if (std::fabs(sound.samples[i]) >= level) return static_cast<double>(i) / sound.rate;
  return sound.Seconds();
}

QuietRun LongestQuietRun(const Sound& sound, double level) {
  QuietRun longest;
  size_t runStart = 0;
  for (size_t i = 0; i <= sound.samples.size(); ++i) {
    if (i < sound.samples.size() && std::fabs(sound.samples[i]) < level) continue;
    const double seconds = static_cast<double>(i - runStart) / sound.rate;
    if (seconds > longest.seconds) longest = {static_cast<double>(runStart) / sound.rate, seconds};
    runStart = i + 1;
  }
  return longest;
}

}  // namespace nav_test
