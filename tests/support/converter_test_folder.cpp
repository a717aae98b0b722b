#include "tests/support/converter_test_folder.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>

namespace tarn::conv::testing {

void ConverterFolderTest::SetUp() {
  folder_ = temp_.emplace("tarnconv-test").path();
  const std::filesystem::path ini = folder_ / "TarnMedia.ini";
  filtersPath_ = folder_ / "filters.ini";
  ::setenv("TARNMEDIA_INI", ini.c_str(), 1);
  ::setenv("TARNMEDIA_FILTERS", filtersPath_.c_str(), 1);
  profile_ = settings::ProfileFile(ini);
}

void ConverterFolderTest::TearDown() { temp_.reset(); }

}  // namespace tarn::conv::testing
