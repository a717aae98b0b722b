// Shared pieces of the settings tests: a private temporary folder per fixture with the settings
// file pointed at it, and running the probe program as a separate process.
#pragma once

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/profile_file.h"

namespace tarn::settings::testing {

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::optional<tarn::test::TempDir> temp_;
  std::filesystem::path folder_;
  std::filesystem::path iniPath_;  // what TARNMEDIA_INI names during the test
  ProfileFile profile_{""};
};

using tarn::test::ReadFileText;
void WriteFileText(const std::filesystem::path& path, const std::string& text);

struct ProbeResult {
  int exitCode = -1;
  std::string output;
};

// Runs the probe program with `arguments` and the test's environment, and waits for it.
ProbeResult RunProbe(const std::vector<std::string>& arguments);
// Starts the probe without waiting; returns its process id.
int StartProbe(const std::vector<std::string>& arguments);

}  // namespace tarn::settings::testing
