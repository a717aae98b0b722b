#include "tests/support/converter_test_folder.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace tarn::conv::testing {

void ConverterFolderTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnconv-test-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  folder_ = pattern;
  const std::filesystem::path ini = folder_ / "TarnMedia.ini";
  filtersPath_ = folder_ / "filters.ini";
  ::setenv("TARNMEDIA_INI", ini.c_str(), 1);
  ::setenv("TARNMEDIA_FILTERS", filtersPath_.c_str(), 1);
  // Previews stay silent: the sound server they would reach is one that does not exist.
  ::setenv("PULSE_SERVER", ("unix:" + (folder_ / "no-sound-server").string()).c_str(), 1);
  profile_ = settings::ProfileFile(ini);
}

void ConverterFolderTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string ReadFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace tarn::conv::testing
