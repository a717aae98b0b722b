// tmvtool encode against the encoder filter fed by hand: the same pictures with the same
// times must give the same movie file, byte for byte. Then the inputs and places it refuses.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/encoder_test_support.h"
#include "platform/media_formats.h"

namespace {

using venc_test::Bytes;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& path) {
  const Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

class TmvtoolEncodeTest : public venc_test::EncoderChain {
 protected:
  void SetUp() override {
    EncoderChain::SetUp();
    registry_ = folder.path() / "filters.ini";
    toolIni_ = folder.path() / "tool.ini";
    for (const char* library : {TARNVENC_LIBRARY, TARNPLATFORM_LIBRARY, TARNAUD_LIBRARY}) {
      const std::string command =
          "TARNMEDIA_FILTERS='" + registry_.string() + "' '" + TARNREGSVR + "' '" + library + "' > /dev/null";
      ASSERT_EQ(std::system(command.c_str()), 0);
    }
  }

  bool Ffmpeg(const std::string& args) {
    const std::string command = "cd '" + folder.path().string() + "' && ffmpeg -nostdin -v error -y " + args;
    return std::system(command.c_str()) == 0;
  }

  // Runs tmvtool encode with the test's registry and settings file; `prefix` runs before it
  // in the same shell (limits, traps).
  ToolRun Encode(const std::string& args, const std::string& prefix = "") {
    const std::filesystem::path out = folder.path() / "stdout";
    const std::filesystem::path err = folder.path() / "stderr";
    const std::string command = "cd '" + folder.path().string() + "' && " + prefix +
                                " LANGUAGE= LC_ALL=C.UTF-8 TARNMEDIA_FILTERS='" + registry_.string() + "' '" +
                                TMVTOOL_PATH + "' encode " + args + " --ini '" + toolIni_.string() + "' > '" +
                                out.string() + "' 2> '" + err.string() + "'";
    const int status = std::system(("/bin/sh -c \"" + command + "\"").c_str());
    ToolRun run;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = ReadText(out);
    run.err = ReadText(err);
    return run;
  }

  // What `tmvtool info` says of a file.
  std::string Info(const std::filesystem::path& file) {
    const std::filesystem::path out = folder.path() / "info";
    const std::string command =
        "'" + std::string(TMVTOOL_PATH) + "' info '" + file.string() + "' > '" + out.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return ReadText(out);
  }

  void WriteToolSettings(const std::string& values = "Mode=3\nImageH=30\nImageV=20\n") {
    std::ofstream(toolIni_, std::ios::trunc) << "[SaveMovie]\n" << values;
  }

  // The movie the encoder filter writes from these pictures, 25 a second from 0.
  Bytes ExpectedMovie(const CMediaType& type, const std::vector<Bytes>& pictures) {
    WriteSettings({{"Mode", "3"}, {"ImageH", "30"}, {"ImageV", "20"}});
    UseInput(type, static_cast<LONG>(pictures.front().size()));
    ConnectAll();
    EXPECT_EQ(StartAll(), S_OK);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      const auto start = static_cast<REFERENCE_TIME>(i) * 400000;
      EXPECT_EQ(source->Push(pictures[i], start, start + 400000), S_OK);
    }
    EXPECT_EQ(StopAll(), S_OK);
    return ReadBytes(moviePath);
  }

  static std::vector<Bytes> Split(const Bytes& bytes, std::size_t pictureBytes, bool flipRows, std::size_t rowBytes) {
    std::vector<Bytes> pictures;
    for (std::size_t at = 0; at + pictureBytes <= bytes.size(); at += pictureBytes) {
      Bytes picture(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + pictureBytes));
      if (flipRows) {
        const std::size_t rows = pictureBytes / rowBytes;
        for (std::size_t row = 0; row < rows; ++row)
          std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at + (rows - 1 - row) * rowBytes), rowBytes,
                      picture.begin() + static_cast<std::ptrdiff_t>(row * rowBytes));
      }
      pictures.push_back(std::move(picture));
    }
    return pictures;
  }

  std::filesystem::path registry_;
  std::filesystem::path toolIni_;
};

constexpr LONG kWidth = 320;
constexpr LONG kHeight = 240;
constexpr int kFrames = 30;
const std::string kSource = "-f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 30 ";

TEST_F(TmvtoolEncodeTest, RawBgr24GivesTheMovieOfTheSamePicturesBottomUp) {
  ASSERT_TRUE(Ffmpeg(kSource + "-pix_fmt bgr24 -f rawvideo in.bgr"));
  WriteToolSettings();
  const ToolRun run =
      Encode("in.bgr -o tool.tmv --format rawvideo --pixel-format bgr24 --video-size 320x240 --framerate 25");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("frames"), std::string::npos);
  // The output's name went into the run's copy of the settings, not into the user's file.
  EXPECT_EQ(ReadText(toolIni_).find("FileName="), std::string::npos);

  const auto pictures = Split(ReadBytes(folder.path() / "in.bgr"), kWidth * kHeight * 3, true, kWidth * 3);
  ASSERT_EQ(pictures.size(), static_cast<std::size_t>(kFrames));
  const Bytes expected =
      ExpectedMovie(tarn::platform::MakeVideoType(MEDIASUBTYPE_RGB24, kWidth, kHeight, 400000), pictures);
  ASSERT_GT(expected.size(), 512u);
  EXPECT_TRUE(ReadBytes(folder.path() / "tool.tmv") == expected);
  // 1.2 s at ten a second, and a stream that starts at 0 keeps its first two frames.
  EXPECT_EQ(venc_test::PlayMovie(folder.path() / "tool.tmv").records.size(), 13u);
}

TEST_F(TmvtoolEncodeTest, RawYuyvGivesTheMovieOfTheSamePictures) {
  ASSERT_TRUE(Ffmpeg(kSource + "-pix_fmt yuyv422 -f rawvideo in.yuv"));
  WriteToolSettings();
  const ToolRun run =
      Encode("in.yuv -o tool.tmv --format rawvideo --pixel-format yuyv422 --video-size 320x240 --framerate 25");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto pictures = Split(ReadBytes(folder.path() / "in.yuv"), kWidth * kHeight * 2, false, 0);
  const Bytes expected =
      ExpectedMovie(tarn::platform::MakeVideoType(MEDIASUBTYPE_YUY2, kWidth, kHeight, 400000), pictures);
  EXPECT_TRUE(ReadBytes(folder.path() / "tool.tmv") == expected);
}

TEST_F(TmvtoolEncodeTest, Mpeg2GivesTheMovieOfItsPicturesConvertedToYuy2) {
  ASSERT_TRUE(Ffmpeg(kSource + "-c:v mpeg2video -q:v 3 clip.mpg"));
  ASSERT_TRUE(Ffmpeg("-i clip.mpg -sws_flags neighbor -pix_fmt yuyv422 -f rawvideo decoded.yuv"));
  WriteToolSettings();
  const ToolRun run = Encode("clip.mpg -o tool.tmv");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto pictures = Split(ReadBytes(folder.path() / "decoded.yuv"), kWidth * kHeight * 2, false, 0);
  ASSERT_EQ(pictures.size(), static_cast<std::size_t>(kFrames));
  const Bytes expected =
      ExpectedMovie(tarn::platform::MakeVideoType(MEDIASUBTYPE_YUY2, kWidth, kHeight, 400000), pictures);
  EXPECT_TRUE(ReadBytes(folder.path() / "tool.tmv") == expected);
}

// The sound goes into OUT.tms beside the movie, as long as the pictures; --no-sound and a file
// without sound leave it out.
TEST_F(TmvtoolEncodeTest, WritesTheSoundFileBesideTheMovieAsLongAsItUnlessToldNot) {
  WriteToolSettings();
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=sample_rate=44100 -t 2 "
             "-c:v libx264 -preset ultrafast -c:a aac -shortest clip.mp4"));
  ToolRun run = Encode("clip.mp4 -o out/clip.tmv");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("clip.tms: "), std::string::npos) << run.out;
  EXPECT_EQ(venc_test::PlayMovie(folder.path() / "out" / "clip.tmv").records.size(), 21u);
  const std::string sound = Info(folder.path() / "out" / "clip.tms");
  EXPECT_NE(sound.find("header: finished"), std::string::npos) << sound;
  EXPECT_NE(sound.find("length: 00:00:02.000"), std::string::npos) << sound;
  // The sound file's name went into the run's copy of the settings only.
  EXPECT_EQ(ReadText(toolIni_).find("AudioOut"), std::string::npos);

  run = Encode("clip.mp4 --no-sound -o alone.tmv");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "alone.tmv"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "alone.tms"));

  ASSERT_TRUE(Ffmpeg(kSource + "-c:v mpeg4 silent.mp4"));
  run = Encode("silent.mp4 -o silent.tmv");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("silent.mp4 has no sound"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "silent.tms"));
}

// Each chapter of the container on its own: ten records a second of the chapter (and the one
// that starts it), and a sound file exactly as long; an audio stream chosen by number.
TEST_F(TmvtoolEncodeTest, AChapterGivesAMovieAndASoundAsLongAsTheChapter) {
  WriteToolSettings();
  std::ofstream(folder.path() / "meta.txt") << ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1300\n"
                                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1300\nEND=3000\n";
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=sample_rate=48000 -f lavfi "
             "-i sine=frequency=880:sample_rate=32000 -t 3 -map 0 -map 1 -map 2 -c:v libx264 -preset ultrafast "
             "-c:a aac -shortest plain.mp4"));
  ASSERT_TRUE(Ffmpeg("-i plain.mp4 -i meta.txt -map 0 -map_metadata 1 -map_chapters 1 -c copy clip.mp4"));
  struct Expected {
    const char* chapters;
    std::size_t records;
    const char* length;
  };
  for (const Expected& expected :
       {Expected{"1", 14, "00:00:01.300"}, Expected{"2", 18, "00:00:01.700"}, Expected{"1-2", 31, "00:00:03.000"}}) {
    SCOPED_TRACE(expected.chapters);
    const std::string name = std::string("chapter") + expected.chapters;
    const ToolRun run = Encode("clip.mp4 --chapters " + std::string(expected.chapters) + " -o " + name + ".tmv");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NEAR(static_cast<double>(venc_test::PlayMovie(folder.path() / (name + ".tmv")).records.size()),
                static_cast<double>(expected.records), 1.0);
    EXPECT_NE(Info(folder.path() / (name + ".tms")).find(std::string("length: ") + expected.length), std::string::npos);
  }
  ToolRun run = Encode("clip.mp4 --chapters 2-3 -o none.tmv");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("clip.mp4 has 2 chapters; there is no chapter 3"), std::string::npos) << run.err;
  run = Encode("clip.mp4 --audio 2 -o second.tmv");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(Info(folder.path() / "second.tms").find("length: 00:00:03.000"), std::string::npos);
  EXPECT_NE(Encode("clip.mp4 --audio 3 -o third.tmv").err.find("clip.mp4 has no audio stream 3"), std::string::npos);
}

// Pixels of a played record's screen (bottom-up BGR, 240x160) in rows from `top` to `bottom`
// that `wanted` picks.
template <typename Wanted>
int CountOnScreen(const Bytes& screen, int top, int bottom, Wanted wanted) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < 240; ++x) {
      const std::uint8_t* pixel = &screen[(static_cast<std::size_t>(159 - y) * 240 + x) * 3];
      count += wanted(pixel[2], pixel[1], pixel[0]);
    }
  return count;
}

// --subtitle N draws that subtitle stream into the pictures: an ASS script's red blocks at the
// top and green ones at the bottom, in their styles, while their events last. A stream the
// file lacks is refused before anything is written.
TEST_F(TmvtoolEncodeTest, DrawsTheChosenSubtitleStreamAndRefusesOneTheFileLacks) {
  WriteToolSettings();
  std::ofstream(folder.path() / "subs.ass")
      << "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
         "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
         "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
         "MarginR, MarginV, Encoding\n"
         "Style: Top,DejaVu "
         "Sans,60,&H000000FF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,0,0,8,10,10,10,1\n"
         "Style: Low,DejaVu Sans,60,&H0000FF00,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,0,0,1,10,10,10,1"
         "\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
         "Dialogue: 0,0:00:00.50,0:00:01.50,Top,,0,0,0,,\u2588\u2588\u2588\n"
         "Dialogue: 0,0:00:00.50,0:00:01.50,Low,,0,0,0,,\u2588\n";
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i color=gray:size=320x240:rate=25 -i subs.ass -t 2 -map 0 -map 1 -c:v mpeg4 "
             "-c:s copy subs.mkv"));
  ToolRun run = Encode("subs.mkv --subtitle 1 -o subs.tmv");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto played = venc_test::PlayMovie(folder.path() / "subs.tmv");
  ASSERT_EQ(played.records.size(), 21u);
  const auto red = [](int r, int g, int b) { return r > 180 && g < 80 && b < 80; };
  const auto green = [](int r, int g, int b) { return g > 180 && r < 80 && b < 80; };
  for (const std::size_t record : {3u, 10u, 18u}) {  // before, during and after the events
    SCOPED_TRACE(record);
    const Bytes& screen = played.records[record].screen;
    const int redAbove = CountOnScreen(screen, 0, 80, red), greenBelow = CountOnScreen(screen, 80, 160, green);
    if (record == 10) {
      EXPECT_GT(redAbove, 300);
      EXPECT_GT(greenBelow, 100);
    } else {
      EXPECT_EQ(redAbove + greenBelow, 0);
    }
    EXPECT_EQ(CountOnScreen(screen, 80, 160, red) + CountOnScreen(screen, 0, 80, green), 0);
  }

  ASSERT_TRUE(Ffmpeg(kSource + "-c:v mpeg4 silent.mp4"));
  for (const std::string input : {"subs.mkv", "silent.mp4"}) {
    run = Encode(input + " --subtitle " + (input == "subs.mkv" ? "2" : "1") + " -o none.tmv");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(input + " has no subtitle stream "), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "none.tmv"));
  }
  EXPECT_EQ(Encode("subs.mkv --subtitle 0 -o none.tmv").exitCode, 2);
}

TEST_F(TmvtoolEncodeTest, CtrlCStopsTheEncodeAndKeepsAFinishedMovie) {
  WriteToolSettings();
  ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc2=size=320x240:rate=25 -t 120 -c:v mpeg2video -q:v 20 long.mpg"));
  const std::filesystem::path movie = folder.path() / "long.tmv";
  const std::filesystem::path err = folder.path() / "stderr";
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("TARNMEDIA_FILTERS", registry_.c_str(), 1);
    ::setenv("TARNMEDIA_INI", toolIni_.c_str(), 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::unsetenv("LANGUAGE");
    if (std::freopen(err.c_str(), "w", stderr) == nullptr) ::_exit(126);
    ::execl(TMVTOOL_PATH, "tmvtool", "encode", (folder.path() / "long.mpg").c_str(), "-o", movie.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Interrupted once records are being written.
  std::error_code error;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while ((std::filesystem::file_size(movie, error) < 20000 || error) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(child, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << ReadText(err);
  EXPECT_NE(ReadText(err).find("interrupted: " + movie.string() + " keeps the "), std::string::npos) << ReadText(err);
  const std::string info = "LANGUAGE= LC_ALL=C.UTF-8 '" + std::string(TMVTOOL_PATH) + "' info '" + movie.string() +
                           "' | grep -q 'header: finished'";
  EXPECT_EQ(std::system(info.c_str()), 0);
}

TEST_F(TmvtoolEncodeTest, RefusesBadInputPlacesAndSettingsWithAMessage) {
  WriteToolSettings();
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=0.5 tone.wav"));
  ToolRun run = Encode("tone.wav -o out.tmv");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no video stream"), std::string::npos) << run.err;

  ASSERT_TRUE(Ffmpeg(kSource + "-c:v mpeg2video clip.mpg"));
  // A missing folder is made; the settings file keeps its values (the name went into a copy).
  run = Encode("clip.mpg --out missing/out.tmv --quiet");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_GT(std::filesystem::file_size(folder.path() / "missing" / "out.tmv"), 512u);
  EXPECT_EQ(ReadText(toolIni_), "[SaveMovie]\nMode=3\nImageH=30\nImageV=20\n");

  // The movie file cannot be created where a folder is: the encoder's stream start fails. The
  // words say so; the code is for --verbose.
  std::filesystem::create_directory(folder.path() / "taken.tmv");
  run = Encode("clip.mpg -o taken.tmv");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Is a directory"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("0x8007"), std::string::npos) << run.err;
  EXPECT_NE(Encode("clip.mpg -o taken.tmv --verbose").err.find("0x80070015"), std::string::npos);

  // Raw video says nothing of its layout itself.
  run = Encode("clip.mpg -o raw.tmv --format rawvideo --video-size 320x240");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("give --pixel-format and --video-size"), std::string::npos) << run.err;

  // Without a registry the message says where it was looked for.
  const std::filesystem::path registry = registry_;
  registry_ = folder.path() / "no-registry.ini";
  run = Encode("clip.mpg -o out.tmv");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("there is no filter registry at " + registry_.string()), std::string::npos) << run.err;
  registry_ = registry;

  WriteToolSettings("Mode=abc\n");
  run = Encode("clip.mpg -o out.tmv");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(toolIni_.string() + ": [SaveMovie] Mode=abc"), std::string::npos) << run.err;
  WriteToolSettings("Contrast=150\n");
  EXPECT_EQ(Encode("clip.mpg -o out.tmv").exitCode, 1);

  run = Encode("clip.mpg");
  EXPECT_EQ(run.exitCode, 2);
}

}  // namespace
