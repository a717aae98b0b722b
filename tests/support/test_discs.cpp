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

std::string MakeTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "tarn-dvd-test.XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::string Author(const std::string& folder, const std::string& kind, bool iso) {
  int status = 0;
  const std::string output = RunCommand(std::string("'") + TARN_MAKE_TEST_DVD + "' " + (iso ? "--iso " : "") + "'" +
                                            folder + "/" + kind + "' " + kind + " 2>&1",
                                        status);
  if (status != 0) return "authoring the " + kind + " test disc failed (ffmpeg, dvdauthor and genisoimage are needed):\n" + output;
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

// Discs authored by this process are removed when it ends.
struct OwnDiscs {
  std::string folder;
  ~OwnDiscs() {
    std::error_code error;
    if (!folder.empty()) fs::remove_all(folder, error);
  }
};

TestDiscs AuthorOrFind() {
  if (const char* given = std::getenv("TARN_TEST_DVD_DIR"); given != nullptr && *given != '\0') {
    TestDiscs discs = Locate(given);
    if (!fs::exists(discs.ntsc + "/VIDEO_TS/VIDEO_TS.IFO")) {
      discs.error = std::string("TARN_TEST_DVD_DIR=") + given + " holds no authored discs (did the setup test fail?)";
    }
    return discs;
  }
  static OwnDiscs own;
  own.folder = MakeTempFolder();
  TestDiscs discs = Locate(own.folder);
  for (const auto& [kind, iso] : {std::pair{"ntsc", true}, std::pair{"pal", true}, std::pair{"loop", false},
                                    std::pair{"edge", false}}) {
    discs.error = Author(own.folder, kind, iso);
    if (!discs.error.empty()) break;
  }
  return discs;
}

}  // namespace

const TestDiscs& Discs() {
  static const TestDiscs discs = AuthorOrFind();
  return discs;
}

TempFolder::TempFolder() : path_(MakeTempFolder()) {}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
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
