// What the navigator tests share: the test discs, a private filter registry (the build's, or the
// build's without some filters), tmvtool runs and the pictures of a movie file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_discs.h"

namespace nav_test {

using tarn::dvd::test::Discs;
using tarn::dvd::test::TempDir;

// The build's filter registry copied to `folder`, without the filters whose friendly names
// are listed. Returns the copy's path.
std::filesystem::path PrivateRegistry(const std::filesystem::path& folder,
                                      const std::vector<std::string>& leftOut = {});

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error
  double seconds = 0;
};

// Runs tmvtool with the arguments (each quoted), with TARNMEDIA_FILTERS and TARNMEDIA_INI set.
ToolRun RunTmvtool(const std::vector<std::string>& args, const std::filesystem::path& registry,
                   const std::filesystem::path& ini);

// Average colour (B, G, R) and bright pixel count of each picture the movie shows.
struct Picture {
  double blue = 0, green = 0, red = 0;
  int brightPixels = 0;  // all three channels above 200
};
std::vector<Picture> MoviePictures(const std::filesystem::path& movie);

// Sample frames of one channel of a .tms file, at its rate, decoded full scale = 1.
struct Sound {
  bool finished = false;
  double rate = 0;
  std::vector<double> samples;
  double Seconds() const { return rate > 0 ? static_cast<double>(samples.size()) / rate : 0; }
};
Sound ReadSoundFile(const std::filesystem::path& file);
double ToneFrequency(const Sound& sound);
// Seconds from the start to the first sample of at least `level`.
double SoundOnset(const Sound& sound, double level);
// The longest run of samples below `level` in size, in seconds, and where it starts.
struct QuietRun {
  double start = 0, seconds = 0;
};
QuietRun LongestQuietRun(const Sound& sound, double level);

}  // namespace nav_test
