#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "base/profile_document.h"
#include "base/profile_file.h"
#include "settings_test_support.h"

namespace tarn::settings {
namespace {

using testing::ReadFileText;
using testing::RunProbe;
using testing::StartProbe;
using testing::WriteFileText;

using ProfileFileTest = testing::SettingsFolderTest;

TEST_F(ProfileFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(profile_.Read("SaveMovie", "Mode", "0", 256), "0");
  WriteFileText(iniPath_, "[SaveMovie]\nMode=3\n");
  EXPECT_EQ(profile_.Read("SaveMovie", "Mode", "0", 256), "3");
  EXPECT_EQ(profile_.Read("SaveMovie", "Contrast", "75", 256), "75");
  EXPECT_EQ(profile_.Read("AudioOut", "Mode", "x", 256), "x");
  // A folder where the file should be reads like a missing file.
  EXPECT_EQ(ProfileFile(folder_).Read("SaveMovie", "Mode", "d", 256), "d");
}

TEST_F(ProfileFileTest, ValuesAndDefaultsAreCutToTheBuffer) {
  WriteFileText(iniPath_, "[S]\nLong=0123456789\nText=a\xC3\xA9\xE2\x82\xAC\n");
  EXPECT_EQ(profile_.Read("S", "Long", "", 20), "0123456789");
  EXPECT_EQ(profile_.Read("S", "Long", "", 11), "0123456789");
  EXPECT_EQ(profile_.Read("S", "Long", "", 3), "01");
  EXPECT_EQ(profile_.Read("S", "Long", "", 1), "");
  EXPECT_EQ(profile_.Read("S", "Long", "", 0), "");
  EXPECT_EQ(profile_.Read("S", "Missing", "abcdef", 4), "abc");
  // Never half a character: "aé€" is 1 + 2 + 3 bytes.
  EXPECT_EQ(profile_.Read("S", "Text", "", 3), "a");
  EXPECT_EQ(profile_.Read("S", "Text", "", 4), "a\xC3\xA9");
  EXPECT_EQ(profile_.Read("S", "Text", "", 6), "a\xC3\xA9");
  EXPECT_EQ(profile_.Read("S", "Text", "", 7), "a\xC3\xA9\xE2\x82\xAC");
}

TEST_F(ProfileFileTest, WriteCreatesFoldersFileSectionAndKey) {
  const ProfileFile nested(folder_ / "a" / "b" / "TarnMedia.ini");
  ASSERT_FALSE(nested.Write("SaveMovie", "Mode", "4"));
  EXPECT_EQ(ReadFileText(nested.path()), "[SaveMovie]\nMode=4\n");
  ASSERT_FALSE(nested.Write("savemovie", "MODE", "5"));
  ASSERT_FALSE(nested.Write("AudioOut", "Channel", "1"));
  EXPECT_EQ(ReadFileText(nested.path()), "[SaveMovie]\nMode=5\n[AudioOut]\nChannel=1\n");
}

TEST_F(ProfileFileTest, WriteKeepsTheRestOfTheFile) {
  const std::string original =
      "; settings\r\n[SaveMovie]\r\nFileName = /x/0000101001.tmv\r\nstray text\r\n\r\n"
      "[AudioOut]\r\nSaveDir=/x/\r\n[Mine]\r\nKeep=yes";
  WriteFileText(iniPath_, original);
  ASSERT_FALSE(profile_.Write("SAVEMOVIE", "filename", "/y/0000201001.tmv"));
  EXPECT_EQ(ReadFileText(iniPath_),
            "; settings\r\n[SaveMovie]\r\nFileName=/y/0000201001.tmv\r\nstray text\r\n\r\n"
            "[AudioOut]\r\nSaveDir=/x/\r\n[Mine]\r\nKeep=yes");
}

TEST_F(ProfileFileTest, SeveralEntriesInOneReplacement) {
  const ProfileEntry entries[] = {{"A", "X", "1"}, {"B", "Y", "2"}, {"A", "Z", "3"}, {"A", "X", "4"}};
  ASSERT_FALSE(profile_.Write(entries));
  EXPECT_EQ(ReadFileText(iniPath_), "[A]\nX=4\nZ=3\n[B]\nY=2\n");
  // One refused entry stores none of them.
  const ProfileEntry refused[] = {{"A", "X", "5"}, {"A", "Bad", "1\n2"}};
  EXPECT_EQ(profile_.Write(refused), std::make_error_code(std::errc::invalid_argument));
  EXPECT_EQ(profile_.Read("A", "X", "", 256), "4");
}

TEST_F(ProfileFileTest, ScratchWritesStillReplaceTheWholeFile) {
  WriteFileText(iniPath_, "[S]\nK=1\nKeep=yes\n");
  const auto entries = [&] { return std::distance(std::filesystem::directory_iterator(folder_), {}); };
  const auto before = entries();
  ASSERT_FALSE(ProfileFile(iniPath_, Durability::kScratch).Write("S", "K", "2"));
  EXPECT_EQ(ReadFileText(iniPath_), "[S]\nK=2\nKeep=yes\n");
  EXPECT_EQ(entries(), before);  // no temporary file left beside it
}

TEST_F(ProfileFileTest, FailedWritesReportAndLoseNothing) {
  // The folder cannot be made: a regular file is in the way.
  WriteFileText(folder_ / "plain", "x");
  EXPECT_TRUE(ProfileFile(folder_ / "plain" / "TarnMedia.ini").Write("S", "K", "1"));
  // The settings file cannot be read: it is left as it is.
  std::filesystem::create_directory(folder_ / "dir.ini");
  EXPECT_TRUE(ProfileFile(folder_ / "dir.ini").Write("S", "K", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "dir.ini"));
}

TEST_F(ProfileFileTest, WriteThatRunsOutOfSpaceKeepsTheOldFile) {
  const std::string original = "[S]\nK=1\n";
  WriteFileText(iniPath_, original);
  // The probe may write files of at most 64 bytes, as if the disk were full.
  EXPECT_EQ(RunProbe({"write-limited", "64", "S", "K", std::string(100, 'v')}).exitCode, 1);
  EXPECT_EQ(ReadFileText(iniPath_), original);
  EXPECT_EQ(RunProbe({"write-limited", "64", "S", "K", "2"}).exitCode, 0);
  EXPECT_EQ(ReadFileText(iniPath_), "[S]\nK=2\n");
}

TEST_F(ProfileFileTest, WriteThroughSymlinkUpdatesItsTarget) {
  std::filesystem::create_directory(folder_ / "real");
  WriteFileText(folder_ / "real" / "TarnMedia.ini", "[S]\nK=1\n");
  std::filesystem::create_symlink(folder_ / "real" / "TarnMedia.ini", iniPath_);
  ASSERT_FALSE(profile_.Write("S", "K", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(iniPath_));
  EXPECT_EQ(ReadFileText(folder_ / "real" / "TarnMedia.ini"), "[S]\nK=2\n");
}

TEST_F(ProfileFileTest, ReplacementKeepsTheFileMode) {
  WriteFileText(iniPath_, "[S]\nK=1\n");
  std::filesystem::permissions(iniPath_, std::filesystem::perms(0640));
  ASSERT_FALSE(profile_.Write("S", "K", "2"));
  EXPECT_EQ(std::filesystem::status(iniPath_).permissions(), std::filesystem::perms(0640));
}

TEST_F(ProfileFileTest, AnotherProcessReadsWhatThisOneWrote) {
  ASSERT_FALSE(profile_.Write("SaveMovie", "FileName", "/movies/0000101001.tmv"));
  EXPECT_EQ(RunProbe({"read", "savemovie", "FILENAME", "none"}).output, "/movies/0000101001.tmv");
  ASSERT_EQ(RunProbe({"write", "AudioOut", "SaveDir", "/movies/"}).exitCode, 0);
  EXPECT_EQ(profile_.Read("AudioOut", "SaveDir", "", 260), "/movies/");
  EXPECT_EQ(profile_.Read("SaveMovie", "FileName", "", 260), "/movies/0000101001.tmv");
}

TEST_F(ProfileFileTest, ConcurrentWritersLoseNoUpdate) {
  const int first = StartProbe({"count", "Race", "First", "100"});
  const int second = StartProbe({"count", "Race", "Second", "100"});
  for (const int child : {first, second}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(profile_.Read("Race", "First", "", 16), "100");
  EXPECT_EQ(profile_.Read("Race", "Second", "", 16), "100");
}

// The file a churning writer leaves behind for a given counter.
std::string ChurnedFile(const std::string& prefix, std::size_t bigBytes, long counter) {
  return prefix + "[Churn]\nBig=" + std::string(bigBytes, counter % 2 == 0 ? 'A' : 'B') +
         "\nCounter=" + std::to_string(counter) + "\n";
}

// Reads the file as a second process sees it while the writer works: it must always be a whole
// file of the writer's, old or new. Returns its counter.
long CheckWholeFile(const std::filesystem::path& path, const std::string& prefix, std::size_t bigBytes) {
  const std::string text = ReadFileText(path);
  const auto counter = ProfileDocument::Parse(text).Find("Churn", "Counter");
  if (!counter) {
    ADD_FAILURE() << "no counter in a file of " << text.size() << " bytes";
    return -1;
  }
  const long value = std::stol(*counter);
  EXPECT_EQ(text, ChurnedFile(prefix, bigBytes, value));
  return value;
}

TEST_F(ProfileFileTest, WriterKilledMidWriteLeavesAWholeFile) {
  std::string prefix = "; many settings\n";
  for (int section = 0; section < 20; ++section) {
    prefix += "[Section" + std::to_string(section) + "]\n";
    for (int key = 0; key < 40; ++key) prefix += "Key" + std::to_string(key) + "=value " + std::to_string(key) + "\n";
  }
  constexpr std::size_t kBigBytes = 200000;
  WriteFileText(iniPath_, ChurnedFile(prefix, kBigBytes, 0));

  std::mt19937 random(7);
  for (long round = 1; round <= 20; ++round) {
    const long first = round * 1000000;
    const int child = StartProbe({"churn", std::to_string(kBigBytes), std::to_string(first)});
    // Let the writer get going (at least one whole write), reading all the while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (CheckWholeFile(iniPath_, prefix, kBigBytes) < first && !HasFailure() &&
           std::chrono::steady_clock::now() < deadline) {
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in round " << round;
    ASSERT_GE(CheckWholeFile(iniPath_, prefix, kBigBytes), first) << "round " << round;
  }

  // The next write clears the temporary files that the killed writers left.
  ASSERT_FALSE(profile_.Write("Churn", "Counter", "-1"));
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name, "TarnMedia.ini");  // no lock file lingers either
  }
}

}  // namespace
}  // namespace tarn::settings
