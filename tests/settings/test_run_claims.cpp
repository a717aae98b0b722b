// What keeps conversions sharing one settings file apart: the running number taken under the
// writers' lock, and one conversion at a time per file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include "base/conversion_lock.h"
#include "converter/settings/converter_settings.h"
#include "settings_test_support.h"

namespace tarn::settings {
namespace {

using testing::ReadFileText;
using testing::StartProbe;
using testing::WriteFileText;

using RunClaimsTest = testing::SettingsFolderTest;

TEST_F(RunClaimsTest, ConcurrentRunsNeverTakeTheSameRunningNumber) {
  const std::filesystem::path firstList = folder_ / "first", secondList = folder_ / "second";
  const int first = StartProbe({"claim", "60", firstList.string()});
  const int second = StartProbe({"claim", "60", secondList.string()});
  for (const int child : {first, second}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<std::string> counters;
  for (const auto& list : {firstList, secondList}) {
    std::ifstream in(list);
    for (std::string line; std::getline(in, line);) EXPECT_TRUE(counters.insert(line).second) << line << " twice";
  }
  EXPECT_EQ(counters.size(), 120u);
  EXPECT_EQ(ReadFileDefault(profile_), "00120");
}

TEST_F(RunClaimsTest, ARunningNumberWhoseNamesAreTakenIsPassedOver) {
  WriteFileText(iniPath_, "[SaveMovie]\nFileDefault=00007\n");
  std::vector<std::string> asked;
  const ClaimedCounter claimed = ClaimFileDefault(profile_, [&](std::string_view counter) {
    asked.emplace_back(counter);
    return asked.size() == 3;
  });
  ASSERT_FALSE(claimed.error);
  EXPECT_EQ(asked, (std::vector<std::string>{"00007", "00008", "00009"}));
  EXPECT_EQ(claimed.counter, "00009");
  EXPECT_EQ(claimed.passed, 2);
  EXPECT_EQ(ReadFileDefault(profile_), "00010");
  // Absent, the counter is "0" as the names have always used it.
  std::filesystem::remove(iniPath_);
  EXPECT_EQ(ClaimFileDefault(profile_, [](std::string_view) { return true; }).counter, "0");
  // No lock file is left beside the settings file.
  EXPECT_FALSE(std::filesystem::exists(iniPath_.string() + ".lock"));
}

TEST_F(RunClaimsTest, ASecondConversionWithTheSameFileIsRefusedNamingTheFirst) {
  const std::filesystem::path lockPath = ConversionLockPath(iniPath_);
  const int holder = StartProbe({"hold-conversion"});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ReadFileText(lockPath).find("settings_probe") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  {
    const ConversionLock second(iniPath_, "the window");
    EXPECT_FALSE(second.held());
    EXPECT_EQ(second.heldBy(), "process " + std::to_string(holder) + ": settings_probe");
    EXPECT_EQ(second.holder().pid, holder);
    EXPECT_EQ(second.holder().what, "settings_probe");
    ASSERT_TRUE(second.holder().since.has_value());
    EXPECT_LE(std::time(nullptr) - *second.holder().since, 30);
  }
  // A holder that dies lets go; the next holder removes the lock file when it is done.
  ::kill(holder, SIGKILL);
  ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
  {
    const ConversionLock next(iniPath_, "the window");
    EXPECT_TRUE(next.held());
    const ConversionLock again(iniPath_, "tarnconv");
    EXPECT_FALSE(again.held());
    EXPECT_NE(again.heldBy().find(": the window"), std::string::npos) << again.heldBy();
    // Another settings file is another lock.
    EXPECT_TRUE(ConversionLock(folder_ / "Other.ini", "tarnconv").held());
  }
  EXPECT_FALSE(std::filesystem::exists(lockPath));
  EXPECT_EQ(lockPath, iniPath_.string() + ".running");
}

}  // namespace
}  // namespace tarn::settings
