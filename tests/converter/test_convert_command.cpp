// tarnconv --convert: the program itself for its options and refusals (run as a child with
// private settings and registry), and the command in process where the size poll must be
// stood in for or the power switch counted.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "converter/cli/convert_command.h"
#include "converter/cli/convert_options.h"
#include "run_test_support.h"

namespace tarn::conv {
namespace {

namespace fs = std::filesystem;
using testing::ConverterFolderTest;
using testing::DiscError;
using testing::TestDisc;

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

class ConvertCommandTest : public ConverterFolderTest {
 protected:
  void SetUp() override {
    ConverterFolderTest::SetUp();
    fs::copy_file(fs::path(TARN_BUILD_DIR) / "filters.ini", filtersPath_);
    output_ = folder_ / "out";
    fs::create_directory(output_);
  }

  // `shellPrefix` runs first in the same shell (a resource limit for the program).
  ProgramRun Run(const std::vector<std::string>& args, const std::string& shellPrefix = "") const {
    std::string command = shellPrefix + Quote(TARNCONV_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const fs::path out = folder_ / "stdout", err = folder_ / "stderr";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    const int raw = std::system(command.c_str());
    ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing::ReadFileText(out), testing::ReadFileText(err)};
    fs::remove(out);
    fs::remove(err);
    return run;
  }

  // Nothing but the output folder itself (the settings file and its lock file absent).
  void ExpectNothingWritten() const {
    EXPECT_TRUE(fs::is_empty(output_));
    EXPECT_FALSE(fs::exists(profile_.path()));
  }

  static std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }

  fs::path output_;
};

TEST_F(ConvertCommandTest, WithoutArgumentsTheUsageAndWithHelpTheSameOnStandardOutput) {
  const ProgramRun bare = Run({});
  EXPECT_EQ(bare.status, kExitUsage);
  EXPECT_NE(bare.err.find("usage: tarnconv --convert SOURCE"), std::string::npos);
  const ProgramRun help = Run({"--help"});
  EXPECT_EQ(help.status, kExitConverted);
  EXPECT_NE(help.out.find("--continue"), std::string::npos);
  ExpectNothingWritten();
}

TEST_F(ConvertCommandTest, AMissingOrDamagedSourceIsRefusedWithoutWritingAnything) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun missing = Run({"--convert", (folder_ / "nowhere").string(), "--out", output_.string()});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_NE(missing.err.find("no such file or folder"), std::string::npos) << missing.err;

  // Every information file and its backup garbled.
  const fs::path damaged = folder_ / "damaged";
  fs::copy(disc, damaged, fs::copy_options::recursive);
  for (const fs::directory_entry& file : fs::directory_iterator(damaged / "VIDEO_TS")) {
    const std::string extension = file.path().extension().string();
    if (extension == ".IFO" || extension == ".BUP") std::ofstream(file.path(), std::ios::trunc) << std::string(4096, 'x');
  }
  const ProgramRun broken = Run({"--convert", damaged.string(), "--out", output_.string()});
  EXPECT_EQ(broken.status, kExitFailed);
  EXPECT_NE(broken.err.find("holds no DVD-Video titles"), std::string::npos) << broken.err;
  EXPECT_TRUE(broken.out.empty());
  ExpectNothingWritten();
}

TEST_F(ConvertCommandTest, AnOutputFolderThatIsMissingOrNotWritableIsRefusedFirst) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun missing = Run({"--convert", disc, "--out", (folder_ / "no-such-folder").string()});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;

  // Permission bits do not stop root; a folder of /proc takes no files from anyone.
  fs::path locked = folder_ / "locked";
  fs::create_directory(locked);
  ::chmod(locked.c_str(), 0555);
  if (::geteuid() == 0) locked = "/proc/self";
  const ProgramRun readOnly = Run({"--convert", disc, "--out", locked.string()});
  EXPECT_EQ(readOnly.status, kExitFailed);
  EXPECT_NE(readOnly.err.find("cannot write into the output folder"), std::string::npos) << readOnly.err;
  ::chmod((folder_ / "locked").c_str(), 0755);
  ExpectNothingWritten();
}

TEST_F(ConvertCommandTest, BadOptionValuesAreRefusedBeforeAnythingIsWritten) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const std::vector<std::vector<std::string>> refused = {
      {"--limit", "3"},      {"--limit", "513"},        {"--titles", "0"},           {"--titles", "3"},
      {"--titles", "1,2"},   {"--titles", "2", "--chapters", "3"}, {"--chapters", "2-1"},
      {"--audio", "3"},      {"--subtitle", "2"},       {"--bogus"},                 {"--limit"},
  };
  for (const std::vector<std::string>& options : refused) {
    std::vector<std::string> args = {"--convert", disc, "--out", output_.string()};
    args.insert(args.end(), options.begin(), options.end());
    const ProgramRun run = Run(args);
    EXPECT_EQ(run.status, kExitUsage) << options.front();
    EXPECT_NE(run.err.find("tarnconv: "), std::string::npos) << options.front();
  }
  EXPECT_EQ(Run({"--convert", "--out", output_.string()}).status, kExitUsage);
  EXPECT_EQ(Run({"--convert", disc, "--drive"}).status, kExitUsage);
  ExpectNothingWritten();
}

// A full disk in the middle of a run, as a limit on the size of the program's files: the sound
// file of chapter 2 (about 72 KiB) meets it, chapter 1's pair (under 50 KiB each) does not.
TEST_F(ConvertCommandTest, AFullDiskStopsTheRunWithAMessageAndReportsOnlyWholePairsAsConverted) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun run = Run({"--convert", disc, "--titles", "1", "--out", output_.string()}, "exec prlimit --fsize=61440 ");
  EXPECT_EQ(run.status, kExitFailed) << run.err;
  const fs::path first = output_ / "001001.tmv", second = output_ / "0000101002.tmv";
  EXPECT_NE(run.err.find(second.string()), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(first.string() + "  "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(not converted"), std::string::npos) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
  EXPECT_TRUE(testing::MovieFinished(first));
  EXPECT_EQ(testing::ReadSoundHeader(output_ / "001001.tms").channels, 2);
  // Two pairs were begun and the counter says two; nothing after the failure was begun.
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00002");
  EXPECT_FALSE(fs::exists(output_ / "0000201003.tmv"));
}

// SIGTERM and SIGINT at moments spread over a conversion: every file pair left behind is
// finished (both headers written), and the settings file is whole with a counter that matches
// the pairs begun.
TEST_F(ConvertCommandTest, SignalsAtAnyMomentLeaveFinishedFilesAndAWholeSettingsFile) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  constexpr int kRounds = 20;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fs::remove_all(output_);
    fs::create_directory(output_);
    fs::remove(profile_.path());
    const char* signal = round % 2 == 0 ? "TERM" : "INT";
    const std::string delay = std::to_string(0.05 + 0.9 * round / kRounds);
    const ProgramRun run = Run({"--convert", disc, "--titles", "1", "--out", output_.string()},
                               "exec timeout --preserve-status -s " + std::string(signal) + " " + delay + " ");
    // 130 is also SIGINT's own ending, and 143 SIGTERM's, before the program took the signals over.
    EXPECT_TRUE(run.status == kExitInterrupted || run.status == kExitConverted || run.status == 143)
        << run.status << run.err;
    int pairs = 0;
    for (const fs::directory_entry& file : fs::directory_iterator(output_)) {
      if (file.path().extension() != ".tmv") continue;
      ++pairs;
      EXPECT_TRUE(testing::MovieFinished(file.path())) << file.path();
      fs::path sound = file.path();
      EXPECT_EQ(testing::ReadSoundHeader(sound.replace_extension(".tms")).channels, 2) << sound;
    }
    if (fs::exists(profile_.path())) {
      const std::string text = testing::ReadFileText(profile_.path());
      EXPECT_TRUE(text.ends_with("\n") && text.find("[SaveMovie]") != std::string::npos) << text;
    }
    const std::string counter = ReadKey("SaveMovie", "FileDefault");
    EXPECT_EQ(pairs == 0 ? "<absent>" : settings::FormatFileDefault(pairs), counter);
  }
}

TEST_F(ConvertCommandTest, TheOptionsNamedGoIntoTheSettingsFileAndPickTitlesAndChapters) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun run = Run({"--convert", disc, "--titles", "1", "--chapters", "2,3", "--join", "--limit", "64",
                              "--out", output_.string(), "--audio", "2", "--subtitle", "1"});
  ASSERT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.out.find("标题[01] 章节[002] (chapters 2-3)  00:00:0"), 0u) << run.out;
  EXPECT_NE(run.out.find((output_ / "001002.tmv").string() + "  "), std::string::npos) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
  std::vector<std::string> files;
  for (const fs::directory_entry& file : fs::directory_iterator(output_)) files.push_back(file.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"001002.tms", "001002.tmv"}));
  EXPECT_EQ(ReadKey("SaveMovie", "Con"), "1");
  EXPECT_EQ(ReadKey("SaveMovie", "LimitSize"), "67108864");
  EXPECT_EQ(ReadKey("AudioOut", "SaveDir"), (output_ / "").string());
  // Not named, not written.
  EXPECT_EQ(ReadKey("SaveMovie", "Batch"), "<absent>");
  EXPECT_EQ(ReadKey("SaveMovie", "Off"), "<absent>");

  // A batch of every title, each with its first chapter; the counter goes on from the file.
  const ProgramRun batch = Run({"--convert", disc, "--batch", "--chapters", "1"});
  ASSERT_EQ(batch.status, kExitConverted) << batch.err;
  // A clean run says nothing on standard error (the decoders' libraries included: an AC-3 frame
  // cut at a chapter's end made them complain there).
  EXPECT_EQ(batch.err, "");
  EXPECT_NE(batch.out.find("标题[01] 章节[001]  "), std::string::npos) << batch.out;
  EXPECT_NE(batch.out.find("标题[02] 章节[001]  "), std::string::npos) << batch.out;
  EXPECT_TRUE(fs::exists(output_ / "0000101001.tmv"));
  EXPECT_TRUE(fs::exists(output_ / "0000202001.tmv"));
  EXPECT_EQ(ReadKey("SaveMovie", "Batch"), "1");
}

// In process: the size poll is given, and the power switch only counts.
class ConvertCommandInProcessTest : public ConvertCommandTest {
 protected:
  int Convert(const std::vector<std::string>& args, SizeProbe probe) {
    std::vector<std::string_view> views(args.begin(), args.end());
    const ParsedCommand parsed = ParseCommandLine(views);
    EXPECT_EQ(parsed.kind, CommandKind::Convert) << parsed.error;
    out_.str("");
    err_.str("");
    int status = -1;
    testing::RunInEventLoop([] {});  // makes the application
    status = RunConvertCommand(parsed.options, power_, {out_, err_, false}, std::move(probe));
    return status;
  }
  std::ostringstream out_, err_;
  testing::CountingSwitch power_;
};

TEST_F(ConvertCommandInProcessTest, ContinueGoesOnAfterEachLimitStopAndGivesUpOnAChapterLargerThanTheLimit) {
  const std::string disc = TestDisc("long");
  ASSERT_FALSE(disc.empty()) << DiscError();
  // The first poll of the run reports the limit reached, every later one nothing.
  std::size_t polls = 0;
  const int status = Convert({"--convert", disc, "--chapters", "1,2", "--continue", "--poweroff", "--out",
                              output_.string()},
                             [&] { return polls++ == 0 ? std::int64_t{1} << 30 : 0; });
  EXPECT_EQ(status, kExitConverted) << err_.str();
  const std::string out = out_.str();
  EXPECT_NE(out.find("001001.tmv  1048576 KiB  (stopped by the size limit)"), std::string::npos) << out;
  EXPECT_NE(out.find("0000101001.tmv"), std::string::npos) << out;
  EXPECT_NE(out.find("0000201002.tmv"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
  EXPECT_EQ(ReadKey("SaveMovie", "Off"), "1");
  EXPECT_EQ(power_.requests, 0);  // no power-off after a continued run

  // Without stops the same command powers off once.
  EXPECT_EQ(Convert({"--convert", disc, "--chapters", "1", "--poweroff"}, [] { return std::int64_t{0}; }),
            kExitConverted);
  EXPECT_EQ(power_.requests, 1);

  // A chapter that stops again where it started would never get through.
  EXPECT_EQ(Convert({"--convert", disc, "--chapters", "3", "--continue"}, [] { return std::int64_t{1} << 30; }),
            kExitFailed);
  EXPECT_NE(err_.str().find("alone is larger than the size limit"), std::string::npos) << err_.str();
  // Without --continue a limit stop is a failure too.
  EXPECT_EQ(Convert({"--convert", disc, "--chapters", "4"}, [] { return std::int64_t{1} << 30; }), kExitFailed);
  EXPECT_NE(err_.str().find("--continue goes on"), std::string::npos) << err_.str();
  EXPECT_EQ(power_.requests, 1);
}

}  // namespace
}  // namespace tarn::conv
