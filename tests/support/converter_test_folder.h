// A fresh private folder per test, with the settings file and the filter registry pointed into it.
#pragma once

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/profile_file.h"

namespace tarn::conv::testing {

class ConverterFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string ReadKey(std::string_view section, std::string_view key) const {
    return profile_.Read(section, key, "<absent>", 260);
  }

  std::optional<tarn::test::TempDir> temp_;
  std::filesystem::path folder_;
  std::filesystem::path filtersPath_;
  settings::ProfileFile profile_{""};
};

using tarn::test::ReadFileText;

}  // namespace tarn::conv::testing
