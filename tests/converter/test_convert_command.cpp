// tarnconv --convert: the program itself for its options and refusals (run as a child with
// private settings and registry), and the command in process where the size poll must be
// stood in for or the power switch counted.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "converter/cli/convert_command.h"
#include "converter/cli/convert_options.h"
#include "converter/cli/segment_report.h"
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

  // Under an English locale unless `locale` names another; `shellPrefix` runs first in the same
  // shell (a resource limit or a timeout around the program).
  ProgramRun Run(const std::vector<std::string>& args, const std::string& locale = "C.UTF-8",
                 const std::string& shellPrefix = "") const {
    // The run's copy of the settings goes into a folder of the test's own.
    fs::create_directories(folder_ / "tmp");
    std::string command = "LANGUAGE= LC_ALL=" + locale + " TMPDIR=" + Quote((folder_ / "tmp").string()) + " " +
                          shellPrefix + Quote(TARNCONV_PATH);
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

  // Short video files made with FFmpeg in the test's folder: three seconds of H.264 and AAC in
  // chapters of 1.3 and 1.7 s, and two seconds of MPEG-4 and MP3 without chapters.
  std::string ChapteredMp4() {
    std::ofstream(folder_ / "meta.txt") << ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1300\n"
                                           "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1300\nEND=3000\n";
    return Ffmpeg("-i meta.txt -t 3 -map 0 -map 1 -map_chapters 2 -c:v libx264 -preset ultrafast -c:a aac", "a.mp4");
  }
  std::string PlainMkv() { return Ffmpeg("-t 2 -c:v mpeg4 -c:a libmp3lame", "b.mkv"); }
  std::string Ffmpeg(const std::string& args, const std::string& name) const {
    const std::string command = "cd " + Quote(folder_.string()) +
                                " && ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi "
                                "-i sine=sample_rate=48000 " +
                                args + " " + name;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return (folder_ / name).string();
  }

  static std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }

  fs::path output_;
};

// Without arguments (or with one SOURCE) the program is its window; --help names both uses.
TEST_F(ConvertCommandTest, HelpNamesTheWindowAndTheCommandLineAndStrayOptionsAreRefused) {
  const ProgramRun help = Run({"--help"});
  EXPECT_EQ(help.status, kExitConverted);
  EXPECT_NE(help.out.find("usage: tarnconv [SOURCE...]"), std::string::npos);
  EXPECT_NE(help.out.find("tarnconv --convert SOURCE..."), std::string::npos);
  EXPECT_NE(help.out.find("--continue"), std::string::npos);
  const ProgramRun stray = Run({"--bogus"});
  EXPECT_EQ(stray.status, kExitUsage);
  EXPECT_NE(stray.err.find("unknown option --bogus"), std::string::npos);
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
    if (extension == ".IFO" || extension == ".BUP")
      std::ofstream(file.path(), std::ios::trunc) << std::string(4096, 'x');
  }
  const ProgramRun broken = Run({"--convert", damaged.string(), "--out", output_.string()});
  EXPECT_EQ(broken.status, kExitFailed);
  EXPECT_NE(broken.err.find("holds no DVD-Video titles"), std::string::npos) << broken.err;
  EXPECT_TRUE(broken.out.empty());
  ExpectNothingWritten();
}

TEST_F(ConvertCommandTest, AnOutputFolderThatCannotBeMadeOrWrittenIsRefusedFirst) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  std::ofstream(output_ / "a-file") << "x";
  const ProgramRun missing = Run({"--convert", disc, "-o", (output_ / "a-file" / "sub").string()});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_NE(missing.err.find("cannot make the output folder " + (output_ / "a-file" / "sub").string()),
            std::string::npos)
      << missing.err;
  fs::remove(output_ / "a-file");

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
      {"--limit", "3"},      {"--limit", "513"},  {"--titles", "0"},
      {"--titles", "3"},     {"--titles", "1,2"}, {"--titles", "2", "--chapters", "3"},
      {"--chapters", "2-1"}, {"--audio", "3"},    {"--subtitle", "2"},
      {"--bogus"},           {"--limit"},
  };
  for (const std::vector<std::string>& options : refused) {
    std::vector<std::string> args = {"--convert", disc, "--out", output_.string()};
    args.insert(args.end(), options.begin(), options.end());
    const ProgramRun run = Run(args);
    EXPECT_EQ(run.status, kExitUsage) << options.front();
    EXPECT_NE(run.err.find("tarnconv: "), std::string::npos) << options.front();
  }
  EXPECT_EQ(Run({"--convert", "--out", output_.string()}).status, kExitUsage);
  ExpectNothingWritten();
}

// Two files and a disc in one command: titles 1 (the MP4), 2 and 3 (the disc's) and 4 (the MKV).
TEST_F(ConvertCommandTest, SeveralSourcesListTheirTitlesInOrderAndEachIsConverted) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const std::string mp4 = ChapteredMp4(), mkv = PlainMkv();
  const fs::path notes = folder_ / "notes.txt";
  std::ofstream(notes) << "not a movie\n";

  // A source that cannot be read stops the command by its name before anything is converted.
  const ProgramRun missing = Run({"--convert", mp4, (folder_ / "nowhere.mkv").string(), "-o", output_.string()});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_NE(missing.err.find((folder_ / "nowhere.mkv").string() + ": no such file or folder"), std::string::npos)
      << missing.err;
  const ProgramRun unreadable = Run({"--convert", mp4, disc, notes.string(), "-o", output_.string()});
  EXPECT_EQ(unreadable.status, kExitFailed);
  EXPECT_NE(unreadable.err.find(notes.string() + " is neither a DVD-Video disc nor a video file that can be read"),
            std::string::npos)
      << unreadable.err;
  EXPECT_EQ(unreadable.out, "");
  // --titles counts over all sources; a title is named with its source.
  const std::vector<std::string> sources{"--convert", mp4, disc, mkv, "-o", output_.string()};
  auto with = [&sources](std::vector<std::string> options) {
    options.insert(options.begin(), sources.begin(), sources.end());
    return options;
  };
  const ProgramRun tooFar = Run(with({"--titles", "5"}));
  EXPECT_EQ(tooFar.status, kExitUsage);
  EXPECT_EQ(tooFar.err, "tarnconv: the sources have 4 titles together; there is no title 5\n");
  const ProgramRun chapter = Run(with({"--titles", "4", "--chapters", "2"}));
  EXPECT_EQ(chapter.status, kExitUsage);
  EXPECT_EQ(chapter.err, "tarnconv: title 4 (title 1 of " + mkv + ") has 1 chapter; there is no chapter 2\n");
  // The streams are those of the title's own source, not of the source added last.
  const ProgramRun audio = Run({"--convert", mp4, disc, "--titles", "1", "--audio", "2", "-o", output_.string()});
  EXPECT_EQ(audio.status, kExitUsage);
  EXPECT_EQ(audio.err, "tarnconv: title 1 (title 1 of " + mp4 + ") has 1 audio stream; there is no audio stream 2\n");
  // The list holds 100 titles: a 101st source is refused, not left out.
  std::vector<std::string> many(101, mkv);
  many.insert(many.begin(), {"--convert", "-o", output_.string()});
  const ProgramRun tooMany = Run(many);
  EXPECT_EQ(tooMany.status, kExitUsage);
  EXPECT_NE(tooMany.err.find("the title list holds at most 100 titles and " + mkv + " does not fit"), std::string::npos)
      << tooMany.err;
  ExpectNothingWritten();

  // Several sources convert every title named, without --batch, and each line names its source.
  const ProgramRun run = Run(with({"--titles", "1,3-4", "--chapters", "1"}));
  ASSERT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.err, "");
  std::istringstream lines(run.out);
  std::vector<std::string> printed;
  for (std::string line; std::getline(lines, line);) printed.push_back(line);
  ASSERT_EQ(printed.size(), 4u) << run.out;
  const std::string expected[][2] = {{mp4 + ": title 01 chapter 001  ", "001001.tmv"},
                                     {disc + ": title 02 chapter 001  ", "0000102001.tmv"},
                                     {mkv + ": title 01 chapter 001  ", "0000201001.tmv"}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(printed[i].find(expected[i][0]), 0u) << printed[i];
    EXPECT_NE(printed[i].find((output_ / expected[i][1]).string() + "  "), std::string::npos) << printed[i];
  }
  EXPECT_EQ(printed[3].find("3 segments converted: 6 files, "), 0u) << printed[3];  // files not empty
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00003");

  // --no-batch keeps the first title; a source named twice is two titles.
  const ProgramRun first = Run({"--convert", mkv, mkv, "--no-batch", "-o", output_.string()});
  ASSERT_EQ(first.status, kExitConverted) << first.err;
  EXPECT_NE(first.err.find("converting title 1 (title 1 of " + mkv + ") only (Batch=0)"), std::string::npos)
      << first.err;
  EXPECT_EQ(first.out.find(mkv + ": title 01 chapter 001  "), 0u) << first.out;
  EXPECT_NE(first.out.find("\n1 segment converted: 2 files, "), std::string::npos) << first.out;
  EXPECT_TRUE(fs::exists(output_ / "0000301001.tmv"));
}

// Title 5 of the edge disc carries one of its title set's two audio streams and not its
// subtitle stream; title 4 carries all three.
TEST_F(ConvertCommandTest, AStreamTheTitleDoesNotCarryIsRefusedByName) {
  const std::string disc = TestDisc("edge");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun audio = Run({"--convert", disc, "--out", output_.string(), "--titles", "5", "--audio", "2"});
  EXPECT_EQ(audio.status, kExitUsage);
  EXPECT_NE(audio.err.find("title 5 has 1 audio stream; there is no audio stream 2"), std::string::npos) << audio.err;
  const ProgramRun subtitle = Run({"--convert", disc, "--out", output_.string(), "--titles", "5", "--subtitle", "1"});
  EXPECT_EQ(subtitle.status, kExitUsage);
  EXPECT_NE(subtitle.err.find("title 5 has 0 subtitle streams; there is no subtitle stream 1"), std::string::npos)
      << subtitle.err;
  ExpectNothingWritten();
  const ProgramRun carried =
      Run({"--convert", disc, "--out", output_.string(), "--titles", "4", "--audio", "2", "--subtitle", "1"});
  EXPECT_EQ(carried.status, kExitConverted) << carried.err;
}

// A full disk in the middle of a run, as a limit on the size of the program's files: the sound
// file of chapter 2 (about 72 KiB) meets it, chapter 1's pair (under 50 KiB each) does not.
TEST_F(ConvertCommandTest, AFullDiskStopsTheRunWithAMessageAndReportsOnlyWholePairsAsConverted) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun run =
      Run({"--convert", disc, "--titles", "1", "--out", output_.string()}, "C.UTF-8", "exec prlimit --fsize=61440 ");
  EXPECT_EQ(run.status, kExitFailed) << run.err;
  const fs::path first = output_ / "001001.tmv", second = output_ / "0000101002.tmv";
  EXPECT_NE(run.err.find(second.string()), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(first.string() + "  "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(not converted"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n1 segment converted: 2 files, "), std::string::npos) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;  // two segments, the summary
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
    const ProgramRun run = Run({"--convert", disc, "--titles", "1", "--out", output_.string()}, "C.UTF-8",
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

TEST_F(ConvertCommandTest, TheOptionsLastForTheRunAndPickTitlesAndChapters) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  std::ofstream(profile_.path()) << "[SaveMovie]\nLimitSize=536870912\n";
  // The folder named is made.
  const fs::path made = output_ / "new" / "deeper";
  const ProgramRun run = Run({"--convert", disc, "--titles", "1", "--chapters", "2,3", "--join", "--limit", "64",
                              "--out", made.string(), "--audio", "2", "--subtitle", "1", "--no-poweroff"});
  ASSERT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.out.find("title 01 chapter 002 (chapters 2-3)  00:00:0"), 0u) << run.out;
  EXPECT_NE(run.out.find((made / "001002.tmv").string() + "  "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n1 segment converted: 2 files, "), std::string::npos) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2);
  std::vector<std::string> files;
  for (const fs::directory_entry& file : fs::directory_iterator(made)) files.push_back(file.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"001002.tms", "001002.tmv"}));
  // The user's file keeps its values and gets the running number only.
  EXPECT_EQ(testing::ReadFileText(profile_.path()), "[SaveMovie]\nLimitSize=536870912\nFileDefault=00001\n");
  EXPECT_TRUE(fs::is_empty(folder_ / "tmp")) << "the run's copy of the settings is removed";

  // A batch of every title, each with its first chapter, into the folder the settings name.
  std::ofstream(profile_.path()) << "[SaveMovie]\nFileDefault=00001\nCon=1\n[AudioOut]\nSaveDir=" << made.string()
                                 << "/\n";
  const ProgramRun batch = Run({"--convert", disc, "--batch", "--chapters", "1,2", "--no-join"});
  ASSERT_EQ(batch.status, kExitConverted) << batch.err;
  // A clean run says nothing on standard error (the decoders' libraries included: an AC-3 frame
  // cut at a chapter's end made them complain there).
  EXPECT_EQ(batch.err, "");
  for (const char* name : {"0000101001.tmv", "0000201002.tmv", "0000302001.tmv", "0000402002.tmv"})
    EXPECT_TRUE(fs::exists(made / name)) << name << "\n" << batch.out;
  EXPECT_EQ(ReadKey("SaveMovie", "Batch"), "<absent>");
  EXPECT_EQ(ReadKey("SaveMovie", "Con"), "1");
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00005");
}

TEST_F(ConvertCommandTest, FilesOfEarlierRunsAreKeptAndRunsStartedTogetherStayApart) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  // A file of an earlier run, whose settings file is gone: its name is passed over.
  std::ofstream(output_ / "001001.tms") << "earlier";
  const ProgramRun again = Run({"--convert", disc, "--chapters", "1", "--out", output_.string()});
  ASSERT_EQ(again.status, kExitConverted) << again.err;
  EXPECT_EQ(testing::ReadFileText(output_ / "001001.tms"), "earlier");
  EXPECT_FALSE(fs::exists(output_ / "001001.tmv"));
  EXPECT_GT(fs::file_size(output_ / "0000101001.tmv"), 0u);
  EXPECT_NE(again.out.find("1 running number is taken by files already there, which are kept"), std::string::npos)
      << again.out;
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00002");

  // Three runs started together with one settings file: each its own number and its own folder.
  std::vector<FILE*> runs;
  for (int run = 0; run < 3; ++run) {
    const std::string command = Quote(TARNCONV_PATH) + " --convert " + Quote(disc) + " --chapters 1 --out " +
                                Quote((folder_ / ("run" + std::to_string(run))).string()) + " 2>&1";
    runs.push_back(::popen(command.c_str(), "r"));
  }
  std::set<std::string> names;
  for (int run = 0; run < 3; ++run) {
    char line[4096] = {};
    std::string out;
    while (std::fgets(line, sizeof line, runs[run]) != nullptr) out += line;
    EXPECT_EQ(::pclose(runs[run]), 0) << out;
    const fs::path folder = folder_ / ("run" + std::to_string(run));
    for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
      EXPECT_GT(fs::file_size(file.path()), 0u) << file.path();
      names.insert(file.path().stem());
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2) << out;
  }
  EXPECT_EQ(names, (std::set<std::string>{"0000201001", "0000301001", "0000401001"}));
  EXPECT_EQ(ReadKey("SaveMovie", "FileDefault"), "00005");
}

TEST_F(ConvertCommandTest, UnderAChineseLocaleTheCommandLineSpeaksChinese) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun refused = Run({"--convert", disc, "--titles", "3", "-o", output_.string()}, "zh_CN.UTF-8");
  EXPECT_EQ(refused.status, kExitUsage);
  EXPECT_EQ(refused.err, "tarnconv: 来源只有 2 个标题，没有标题 3\n");
  const ProgramRun run = Run({"--convert", disc, "--chapters", "1", "-o", output_.string()}, "zh_CN.UTF-8");
  ASSERT_EQ(run.status, kExitConverted) << run.err;
  EXPECT_EQ(run.out.find("标题[01] 章节[001]  00:00:0"), 0u) << run.out;
  EXPECT_NE(run.out.find("\n已转换 1 段：2 个文件，"), std::string::npos) << run.out;
  EXPECT_NE(Run({"--help"}, "zh_CN.UTF-8").out.find("用法：tarnconv [来源...]"), std::string::npos);
  // The file reader's refusal, made below the program's language, is said in it too.
  const fs::path text = folder_ / "notes.txt";
  std::ofstream(text) << "not a movie\n";
  EXPECT_NE(Run({"--convert", text.string(), "-o", output_.string()}, "zh_CN.UTF-8")
                .err.find("无法打开 " + text.string() + "：不是 FFmpeg 认识的媒体文件"),
            std::string::npos);
  // English where the locale says so, and for the C locale.
  EXPECT_EQ(Run({"--convert", disc, "--titles", "3"}, "en_US.UTF-8").err,
            "tarnconv: the source has 2 titles; there is no title 3\n");
}

// The graph object's warnings are the system's Chinese texts, which the window shows as they
// are; the command line says them in the user's language.
TEST_F(ConvertCommandTest, TheGraphsWarningsAreSaidInTheLocalesLanguage) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  // The registry without the audio encoder.
  std::istringstream all(testing::ReadFileText(filtersPath_));
  std::string kept, section;
  for (std::string line; std::getline(all, line);) {
    if (line.starts_with("[")) {
      if (section.find("FriendlyName=Tarn Audio Encoder for DVD\n") == std::string::npos) kept += section;
      section.clear();
    }
    section += line + "\n";
  }
  if (section.find("FriendlyName=Tarn Audio Encoder for DVD\n") == std::string::npos) kept += section;
  std::ofstream(filtersPath_, std::ios::trunc) << kept;

  const std::vector<std::string> args{"--convert", disc, "--chapters", "1", "-o", output_.string(), "--no-batch"};
  EXPECT_NE(Run(args).err.find("tarnconv: warning: the filter \"Tarn Audio Encoder for DVD\" was not found: the sound "
                               "cannot be converted. Install the program again and retry.\n"),
            std::string::npos);
  EXPECT_NE(Run(args, "zh_CN.UTF-8")
                .err.find("tarnconv: 警告: 没有发现'Tarn Audio Encoder for DVD'。不能转换音频。请重新安装软件再试。\n"),
            std::string::npos);
}

TEST_F(ConvertCommandTest, QuietPrintsNothingButErrorsAndTheVersionNeedsNoSource) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  const ProgramRun quiet = Run({"--convert", disc, "--chapters", "1", "-o", output_.string(), "--quiet"});
  EXPECT_EQ(quiet.status, kExitConverted) << quiet.err;
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "");
  const ProgramRun version = Run({"--version"});
  EXPECT_EQ(version.status, kExitConverted);
  EXPECT_EQ(version.out.find("tarnconv "), 0u) << version.out;
  // Among the options, as the help lists it.
  EXPECT_EQ(Run({"--convert", disc, "-o", output_.string(), "--version"}).out, version.out);
  const int full = std::system((Quote(TARNCONV_PATH) + " --version > /dev/full 2>/dev/null").c_str());
  EXPECT_TRUE(WIFEXITED(full) && WEXITSTATUS(full) == kExitFailed);
}

// What a terminal shows while a run goes: the chapter of the run, its percent and the time left,
// cut to the terminal's width.
TEST(SegmentReport, TheProgressLineCountsChaptersOfTheRunAndFitsTheTerminal) {
  std::ostringstream out;
  SegmentReport report(out, 40);
  report.RunPlanned(4);
  const SegmentInfo joined{0, 1, 1, 2, {"/out/001001.tmv", "/out/001001.tms"}};
  report.Progress(joined, 3, 120, 2);
  const std::string line = out.str().substr(out.str().rfind('\r') + 4);  // after "\r\033[K"
  EXPECT_EQ(line, "title 01 chapter 001 (chapters 1-2)  00");
  std::ostringstream wide;
  SegmentReport unlimited(wide, 500);
  unlimited.RunPlanned(4);
  unlimited.Progress(joined, 3, 120, 2);
  EXPECT_NE(wide.str().find("120 KiB  chapter 2 of 4  25%  "), std::string::npos) << wide.str();
  EXPECT_NE(wide.str().find(" left"), std::string::npos) << wide.str();

  // Within a chapter the time left only counts down (the pace of the finished chapters, not of
  // the run so far, which made it rise until the next chapter).
  std::ostringstream paced;
  SegmentReport run(paced, 500);
  run.RunPlanned(2);
  const SegmentInfo first{0, 1, 1, 1, {"/out/001001.tmv", "/out/001001.tms"}};
  const SegmentInfo second{0, 1, 2, 1, {"/out/001002.tmv", "/out/001002.tms"}};
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  run.SegmentEnded(first, SegmentEnd::Aborted, {});
  const auto left = [&paced] {
    const std::string text = paced.str();
    const std::size_t end = text.rfind(" left");
    return end == std::string::npos ? std::string("none")
                                    : text.substr(text.rfind("  ", end) + 2, end - text.rfind("  ", end) - 2);
  };
  run.Progress(second, 0, 0, 2);
  const std::string atStart = left();
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  run.Progress(second, 1, 10, 2);
  EXPECT_LE(left(), atStart) << paced.str();  // "0:01" against "0:02": same width, so the order of the texts
  EXPECT_NE(atStart, "none");

  // With several sources a line names its title's source; the progress line by its last name only.
  std::ostringstream named;
  SegmentReport sources(named, 500);
  sources.NameSources({"/films/a.mkv"});
  sources.Progress(first, 1, 10, 1);
  EXPECT_NE(named.str().find("a.mkv: title 01 chapter 001  00:00:01"), std::string::npos) << named.str();
  EXPECT_EQ(named.str().find("/films"), std::string::npos) << named.str();
  sources.SegmentEnded(first, SegmentEnd::Aborted, {});
  EXPECT_NE(named.str().find("/films/a.mkv: title 01 chapter 001  "), std::string::npos) << named.str();

  // Wide characters take two columns each.
  EXPECT_EQ(FitToColumns("标题[01] 章节[001]", 9), "标题[01]");
  EXPECT_EQ(FitToColumns("标题[01] 章节[001]", 4), "标");
  EXPECT_EQ(FitToColumns("abc", 0), "abc");
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
    status = RunConvertCommand(parsed.options, power_, {out_, err_, 0}, std::move(probe));
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
  const int status =
      Convert({"--convert", disc, "--chapters", "1,2", "--continue", "--poweroff", "--out", output_.string()},
              [&] { return polls++ == 0 ? std::int64_t{1} << 30 : 0; });
  EXPECT_EQ(status, kExitConverted) << err_.str();
  const std::string out = out_.str();
  EXPECT_NE(out.find("001001.tmv  1048576 KiB  (stopped by the size limit)"), std::string::npos) << out;
  EXPECT_NE(out.find("0000101001.tmv"), std::string::npos) << out;
  EXPECT_NE(out.find("0000201002.tmv"), std::string::npos) << out;
  EXPECT_NE(out.find("\n2 segments converted: "), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4);
  EXPECT_EQ(ReadKey("SaveMovie", "Off"), "<absent>");  // for this run only
  EXPECT_EQ(power_.requests, 0);                       // no power-off after a continued run

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

// "继续" goes on across sources as across the titles of one disc, and names the source of a
// title it gives up on.
TEST_F(ConvertCommandInProcessTest, ContinueGoesOnAcrossSources) {
  const std::string mp4 = ChapteredMp4(), mkv = PlainMkv();
  std::size_t polls = 0;
  EXPECT_EQ(Convert({"--convert", mkv, mp4, "--continue", "--out", output_.string()},
                    [&] { return polls++ == 0 ? std::int64_t{1} << 30 : 0; }),
            kExitConverted)
      << err_.str();
  const std::string out = out_.str();
  EXPECT_EQ(out.find(mkv + ": title 01 chapter 001  "), 0u) << out;
  EXPECT_NE(out.find("(stopped by the size limit)\n" + mkv + ": title 01 chapter 001  "), std::string::npos) << out;
  EXPECT_NE(out.find(mp4 + ": title 01 chapter 002  "), std::string::npos) << out;
  EXPECT_NE(out.find("\n3 segments converted: 8 files, "), std::string::npos) << out;  // the stopped pair kept

  EXPECT_EQ(Convert({"--convert", mkv, mp4, "--titles", "2", "--continue"}, [] { return std::int64_t{1} << 30; }),
            kExitFailed);
  EXPECT_NE(err_.str().find("chapter 1 of title 2 (title 1 of " + mp4 + ") alone is larger than the size limit"),
            std::string::npos)
      << err_.str();
}

}  // namespace
}  // namespace tarn::conv
