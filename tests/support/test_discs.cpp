#include "tests/support/test_discs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace tarn::dvd::test {
namespace {

namespace fs = std::filesystem;

std::string Author(const std::string& folder, const std::string& kind, bool iso) {
  int status = 0;
  const std::string output = RunCommand(std::string("'") + TARN_MAKE_TEST_DVD + "' " + (iso ? "--iso " : "") + "'" +
                                            folder + "/" + kind + "' " + kind + " 2>&1",
                                        status);
  if (status != 0)
    return "authoring the " + kind + " test disc failed (ffmpeg, dvdauthor and genisoimage are needed):\n" + output;
  return "";
}

TestDiscs Locate(const std::string& folder) {
  TestDiscs discs;
  discs.ntsc = folder + "/ntsc";
  discs.ntscIso = folder + "/ntsc.iso";
  discs.pal = folder + "/pal";
  discs.palIso = folder + "/pal.iso";
  discs.loop = folder + "/loop";
  discs.edge = folder + "/edge";
  return discs;
}

TestDiscs AuthorOrFind() {
  if (const char* given = std::getenv("TARN_TEST_DVD_DIR"); given != nullptr && *given != '\0') {
    TestDiscs discs = Locate(given);
    if (!fs::exists(discs.ntsc + "/VIDEO_TS/VIDEO_TS.IFO")) {
      discs.error = std::string("TARN_TEST_DVD_DIR=") + given + " holds no authored discs (did the setup test fail?)";
    }
    return discs;
  }
  static const TempDir own("tarn-dvd-test");  // discs authored by this process go when it ends
  TestDiscs discs = Locate(own.str());
  for (const auto& [kind, iso] :
       {std::pair{"ntsc", true}, std::pair{"pal", true}, std::pair{"loop", false}, std::pair{"edge", false}}) {
    discs.error = Author(own.str(), kind, iso);
    if (!discs.error.empty()) break;
  }
  return discs;
}

}  // namespace

const TestDiscs& Discs() {
  static const TestDiscs discs = AuthorOrFind();
  return discs;
}

std::string CopyDisc(const std::string& disc, const std::string& folder, const std::string& name) {
  const std::string copy = folder + "/" + name;
  fs::copy(disc, copy, fs::copy_options::recursive);
  return copy;
}

std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  std::array<char, 4096> chunk{};
  size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), got);
  const int raw = ::pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

}  // namespace tarn::dvd::test
