// Chapters of a test disc converted through the conversion graph: filters added by friendly name
// from a private filter registry, the navigator's outputs rendered, nothing connected by hand.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <cctype>
#include <thread>

#include "media/com/ComPtr.h"
#include "platform/navigator/dvd_interfaces.h"
#include "media/graph/GraphInterfaces.h"
#include "media/graph/GraphPopulation.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/TextConversion.h"
#include "navigator_test_support.h"

namespace {

namespace fs = std::filesystem;

// Title 1 of the NTSC disc: chapters of 60, 90, 60 and 45 frames at 29.97 frames a second, red,
// green, blue and yellow; audio 1 at 440 Hz, audio 2 at 880 Hz; a subtitle from 0.2 s to 1.6 s
// of every chapter. Title 2: 60 and 60 frames, magenta and cyan, from one multiplex.
constexpr double kFrameSeconds = 1001.0 / 30000.0;

struct Conversion {
  nav_test::ToolRun run;
  fs::path movie, sound;
  long records = -1;
};

class DvdConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!nav_test::Discs().error.empty()) GTEST_SKIP() << nav_test::Discs().error;
    base = folder.str();
    registry = nav_test::PrivateRegistry(base);
    ini = base / "TarnMedia.ini";
  }

  Conversion Convert(const std::string& disc, int title, const std::string& chapters,
                     std::vector<std::string> extra = {}, const fs::path& withRegistry = {}) {
    Conversion conversion;
    conversion.movie = base / ("t" + std::to_string(title) + "_" + chapters + std::to_string(++runs) + ".tmv");
    conversion.sound = fs::path(conversion.movie).replace_extension(".tms");
    std::vector<std::string> args{
        "encode", "--dvd", disc, "--title", std::to_string(title), "-o", conversion.movie.string()};
    if (!chapters.empty()) args.insert(args.end(), {"--chapters", chapters});
    args.insert(args.end(), extra.begin(), extra.end());
    conversion.run = nav_test::RunTmvtool(args, withRegistry.empty() ? registry : withRegistry, ini);
    // "OUT.tmv: N frames, ..."
    const std::string& output = conversion.run.output;
    if (const size_t frames = output.find(" frames,"); frames != std::string::npos) {
      size_t digits = frames;
      while (digits > 0 && std::isdigit(static_cast<unsigned char>(output[digits - 1]))) --digits;
      if (digits < frames) conversion.records = std::stol(output.substr(digits, frames - digits));
    }
    return conversion;
  }

  nav_test::TempDir folder;
  fs::path base, registry, ini;
  int runs = 0;
};

bool Dominant(const nav_test::Picture& picture, double nav_test::Picture::*channel) {
  for (double nav_test::Picture::*other :
       {&nav_test::Picture::red, &nav_test::Picture::green, &nav_test::Picture::blue})
    if (other != channel && picture.*other + 40 > picture.*channel) return false;
  return true;
}

TEST_F(DvdConversion, ChaptersTwoAndThreeBecomeTenRecordsASecondOfTheirPicturesAndTheChosenTone) {
  const Conversion conversion = Convert(nav_test::Discs().ntsc, 1, "2-3", {"--audio", "2"});
  ASSERT_EQ(conversion.run.status, 0) << conversion.run.output;
  const double seconds = (90 + 60) * kFrameSeconds;
  EXPECT_NEAR(static_cast<double>(conversion.records), seconds * 10, 2) << conversion.run.output;

  const std::vector<nav_test::Picture> pictures = nav_test::MoviePictures(conversion.movie);
  ASSERT_EQ(static_cast<long>(pictures.size()), conversion.records);
  // Chapter 2 is green for its three seconds, chapter 3 blue; nothing of chapters 1 or 4.
  EXPECT_TRUE(Dominant(pictures[3], &nav_test::Picture::green));
  EXPECT_TRUE(Dominant(pictures[25], &nav_test::Picture::green));
  EXPECT_TRUE(Dominant(pictures[33], &nav_test::Picture::blue));
  EXPECT_TRUE(Dominant(pictures.back(), &nav_test::Picture::blue));
  for (const nav_test::Picture& picture : pictures) EXPECT_FALSE(Dominant(picture, &nav_test::Picture::red));

  const nav_test::Sound sound = nav_test::ReadSoundFile(conversion.sound);
  ASSERT_TRUE(sound.finished);
  EXPECT_NEAR(nav_test::ToneFrequency(sound), 880, 880 * 0.03);
  // Sound and pictures cover the same stretch.
  EXPECT_LE(nav_test::SoundOnset(sound, 0.03), 0.05);
  EXPECT_NEAR(sound.Seconds(), static_cast<double>(conversion.records) / 10, 0.2);
}

// One AC-3 frame (1536 samples at 48 kHz): the sound must not miss or add more than that.
constexpr double kAudioFrameSeconds = 0.032;

TEST_F(DvdConversion, SoundAndPicturesCoverTheSameStretchWhereverTheRunStartsAndEnds) {
  struct Run {
    int title;
    const char* chapters;
    int frames;  // authored length of those chapters
  };
  // A run ending before the last chapter, one starting late and ending with the title (whose
  // multiplexed audio stops short of its last pictures), a whole title, and the one-multiplex
  // title whose chapter's last audio lies in the next cell.
  for (const Run& run :
       {Run{1, "1-2", 150}, Run{1, "4-4", 45}, Run{1, "1-4", 255}, Run{2, "1-1", 60}, Run{2, "2-2", 60}}) {
    SCOPED_TRACE(std::to_string(run.title) + ":" + run.chapters);
    const Conversion conversion = Convert(nav_test::Discs().ntsc, run.title, run.chapters);
    ASSERT_EQ(conversion.run.status, 0) << conversion.run.output;
    ASSERT_GT(conversion.records, 0);
    const nav_test::Sound sound = nav_test::ReadSoundFile(conversion.sound);
    EXPECT_NEAR(nav_test::ToneFrequency(sound), 440, 440 * 0.03);
    EXPECT_LE(nav_test::SoundOnset(sound, 0.03), 0.05);
    EXPECT_NEAR(sound.Seconds(), run.frames * kFrameSeconds, kAudioFrameSeconds);
    EXPECT_NEAR(sound.Seconds(), static_cast<double>(conversion.records) / 10, 0.1);
  }
}

// Title 3 of the edge disc: a minute of one 440 Hz tone in AC-3 at 192 kb/s, whose frames
// (768 bytes) straddle the multiplex's packets in every possible way.
TEST_F(DvdConversion, AContinuousAc3ToneKeepsEveryFrame) {
  const Conversion conversion = Convert(nav_test::Discs().edge, 3, "1-1");
  ASSERT_EQ(conversion.run.status, 0) << conversion.run.output;
  nav_test::Sound sound = nav_test::ReadSoundFile(conversion.sound);
  EXPECT_NEAR(sound.Seconds(), 1800 * kFrameSeconds, kAudioFrameSeconds);
  // A sine of 440 Hz stays below 1 % of its peak for some 15 us around each zero crossing; a
  // lost frame is 32 ms of silence. The disc's tone stops a little before its last picture.
  sound.samples.resize(sound.samples.size() - static_cast<size_t>(sound.rate / 5));
  const nav_test::QuietRun quiet = nav_test::LongestQuietRun(sound, 0.005);
  EXPECT_LT(quiet.seconds, 0.010) << "silence at " << quiet.start << " s";
}

// Title 2 of the edge disc: forty chapters of 15 frames (half a second) cut from one multiplex
// with one continuous tone; each converted alone must sound to its very end.
TEST_F(DvdConversion, EveryShortChapterConvertedAloneSoundsToItsEnd) {
  for (const char* chapter : {"1-1", "2-2", "17-17", "39-39"}) {
    SCOPED_TRACE(chapter);
    const Conversion conversion = Convert(nav_test::Discs().edge, 2, chapter);
    ASSERT_EQ(conversion.run.status, 0) << conversion.run.output;
    const nav_test::Sound sound = nav_test::ReadSoundFile(conversion.sound);
    EXPECT_NEAR(sound.Seconds(), 15 * kFrameSeconds, kAudioFrameSeconds);
    const nav_test::QuietRun quiet = nav_test::LongestQuietRun(sound, 0.005);
    EXPECT_LT(quiet.seconds, 0.010) << "silence at " << quiet.start << " s of " << sound.Seconds();
  }
}

// Title 6 of the edge disc: 15 frames of yellow whose cell holds its last picture for 2 s,
// then 30 frames of cyan. The movie shows the still as a player does, and the sound keeps pace.
TEST_F(DvdConversion, AStillCellIsHeldForItsStillTime) {
  const Conversion conversion = Convert(nav_test::Discs().edge, 6, "1-2");
  ASSERT_EQ(conversion.run.status, 0) << conversion.run.output;
  const double seconds = 45 * kFrameSeconds + 2;
  EXPECT_NEAR(static_cast<double>(conversion.records), seconds * 10, 1.5);
  const std::vector<nav_test::Picture> pictures = nav_test::MoviePictures(conversion.movie);
  ASSERT_GE(pictures.size(), 30u);
  const auto yellow = [](const nav_test::Picture& p) { return p.red > 150 && p.green > 150 && p.blue < 100; };
  const auto cyan = [](const nav_test::Picture& p) { return p.red < 100 && p.green > 150 && p.blue > 150; };
  EXPECT_TRUE(yellow(pictures[3]));
  EXPECT_TRUE(yellow(pictures[22]));  // 2.2 s: still the held picture
  EXPECT_TRUE(cyan(pictures.back()));
  const nav_test::Sound sound = nav_test::ReadSoundFile(conversion.sound);
  EXPECT_NEAR(sound.Seconds(), static_cast<double>(conversion.records) / 10, 0.1);
}

TEST_F(DvdConversion, TheSubtitleAppearsOnlyWhenItsStreamIsOn) {
  const Conversion off = Convert(nav_test::Discs().ntsc, 1, "2-2");
  const Conversion on = Convert(nav_test::Discs().ntsc, 1, "2-2", {"--subtitle", "1"});
  ASSERT_EQ(off.run.status, 0) << off.run.output;
  ASSERT_EQ(on.run.status, 0) << on.run.output;
  int brightestOff = 0, brightestOn = 0;
  for (const auto& picture : nav_test::MoviePictures(off.movie))
    brightestOff = std::max(brightestOff, picture.brightPixels);
  for (const auto& picture : nav_test::MoviePictures(on.movie))
    brightestOn = std::max(brightestOn, picture.brightPixels);
  EXPECT_GT(brightestOn, brightestOff + 50);
}

TEST_F(DvdConversion, WithoutTheDecoderTheNavigatorStillRendersAndNoMovieIsWritten) {
  const fs::path noDecoder = nav_test::PrivateRegistry(base / "..", {"GPL MPEG-1/2 Decoder"});
  const Conversion conversion = Convert(nav_test::Discs().ntsc, 1, "1-1", {}, noDecoder);
  fs::remove(noDecoder);
  EXPECT_EQ(conversion.run.status, 0) << conversion.run.output;
  EXPECT_FALSE(fs::exists(conversion.movie));
  const nav_test::Sound sound = nav_test::ReadSoundFile(conversion.sound);
  EXPECT_NEAR(nav_test::ToneFrequency(sound), 440, 440 * 0.03);
}

TEST_F(DvdConversion, BadInputEndsWithAnErrorInBoundedTime) {
  const Conversion missing = Convert((base / "no-disc").string(), 1, "1-1");
  EXPECT_NE(missing.run.status, 0);
  EXPECT_NE(missing.run.output.find("cannot open the disc"), std::string::npos) << missing.run.output;

  const std::string disc = tarn::dvd::test::CopyDisc(nav_test::Discs().ntsc, base.string(), "truncated");
  const fs::path vob = disc + "/VIDEO_TS/VTS_01_1.VOB";
  fs::resize_file(vob, fs::file_size(vob) / 4);
  const Conversion truncated = Convert(disc, 1, "1-4");
  EXPECT_NE(truncated.run.status, 0) << truncated.run.output;
  EXPECT_LT(truncated.run.seconds, 100);

  const Conversion loop = Convert(nav_test::Discs().loop, 1, "1-1");
  EXPECT_LT(loop.run.seconds, 100);
  EXPECT_NE(loop.run.status, 124) << "timed out";

  // Titles and chapters the disc lacks are refused in words, before anything is written.
  const Conversion noChapter = Convert(nav_test::Discs().ntsc, 1, "4-5");
  EXPECT_EQ(noChapter.run.status, 2);
  EXPECT_NE(
      noChapter.run.output.find("title 1 of " + nav_test::Discs().ntsc + " has 4 chapters; there is no chapter 5"),
      std::string::npos)
      << noChapter.run.output;
  const Conversion noTitle = Convert(nav_test::Discs().ntsc, 3, "1-2");
  EXPECT_EQ(noTitle.run.status, 2);
  EXPECT_NE(noTitle.run.output.find("has 2 titles; there is no title 3"), std::string::npos) << noTitle.run.output;
  EXPECT_EQ(noTitle.run.output.find("0x8007"), std::string::npos) << noTitle.run.output;
  EXPECT_FALSE(fs::exists(noTitle.movie));
}

TEST_F(DvdConversion, WithoutChaptersTheWholeTitleIsConverted) {
  // Title 2: two chapters of 60 frames at 29.97 a second, ten records a second.
  const Conversion whole = Convert(nav_test::Discs().ntsc, 2, "");
  ASSERT_EQ(whole.run.status, 0) << whole.run.output;
  EXPECT_NEAR(static_cast<double>(whole.records), 40, 1) << whole.run.output;
}

// ---- in process, as the converter runs it ----

HRESULT FindInterfaceInGraph(IGraphBuilder* graph, REFIID iid, void** found) {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (SUCCEEDED(filter->QueryInterface(iid, found))) return S_OK;
  return E_FAIL;
}

class ConversionGraph : public DvdConversion {
 protected:
  void SetUp() override {
    DvdConversion::SetUp();
    if (IsSkipped()) return;
    ::setenv("TARNMEDIA_FILTERS", registry.c_str(), 1);
    ::setenv("TARNMEDIA_INI", ini.c_str(), 1);
    CoInitialize(nullptr);
    tarn::media::RegisterFilterGraphClasses();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.ReleaseAndGetAddressOf())),
              S_OK);
  }
  void TearDown() override {
    if (media) media->Stop();
    media.Reset();
    control.Reset();
    info.Reset();
    graph.Reset();
    CoUninitialize();
  }

  void AddFilters(const std::vector<std::string_view>& names) {
    tarn::media::graph::FiltersAdded added;
    ASSERT_EQ(tarn::media::graph::AddFiltersByFriendlyName(graph.Get(), names, &added), S_OK);
  }

  void RenderNavigator() {
    ComPtr<IBaseFilter> navigator;
    ASSERT_EQ(graph->FindFilterByName(L"DVD Navigator", navigator.ReleaseAndGetAddressOf()), S_OK);
    tarn::media::graph::RenderUnconnectedOutputs(graph.Get(), navigator.Get(), 3);
  }

  // One segment the way the converter plays it: names into the settings file, pause, play the
  // chapters, run, poll until the navigator reads stopped, stop with a reset.
  void PlaySegment(const fs::path& movie, ULONG title, ULONG chapter, ULONG count) {
    {
      std::ofstream settings(ini);
      settings << "[SaveMovie]\nFileName=" << movie.string()
               << "\n[AudioOut]\nFileName=" << fs::path(movie).replace_extension(".tms").string() << "\n";
    }
    media->Stop();
    ASSERT_TRUE(SUCCEEDED(media->Pause()));
    ASSERT_EQ(control->PlayChaptersAutoStop(title, chapter, count, DVD_CMD_FLAG_SendEvents, nullptr), S_OK);
    ASSERT_TRUE(SUCCEEDED(media->Run()));
    DVD_DOMAIN domain = DVD_DOMAIN_Title;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < until && SUCCEEDED(info->GetCurrentDomain(&domain)) &&
           domain != DVD_DOMAIN_Stop)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(domain, DVD_DOMAIN_Stop);
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IDvdControl2> control;
  ComPtr<IDvdInfo2> info;
  ComPtr<IMediaControl> media;
};

// In the converter's order: the PCM wrapper goes in before the audio encoder, which it feeds.
const std::vector<std::string_view> kConversionFilters{"DVD Navigator", "GPL MPEG-1/2 Decoder",
                                                       "Tarn Video Encoder for GAME", "ACM Wrapper",
                                                       "Tarn Audio Encoder for DVD"};

TEST_F(ConversionGraph, TheNavigatorStopsByItselfAndTheSizeExportsMatchTheFiles) {
  AddFilters(kConversionFilters);
  ASSERT_EQ(
      FindInterfaceInGraph(graph.Get(), IID_IDvdControl2, reinterpret_cast<void**>(control.ReleaseAndGetAddressOf())),
      S_OK);
  ASSERT_EQ(FindInterfaceInGraph(graph.Get(), IID_IDvdInfo2, reinterpret_cast<void**>(info.ReleaseAndGetAddressOf())),
            S_OK);
  ASSERT_EQ(control->SetDVDDirectory(tarn::media::Utf8ToWide(nav_test::Discs().ntsc).c_str()), S_OK);
  RenderNavigator();
  ASSERT_EQ(QueryInterfaceAs(graph.Get(), media.ReleaseAndGetAddressOf()), S_OK);

  // Two segments one after the other in the same graph, as a conversion of two chapter runs.
  const fs::path firstMovie = base / "first.tmv";
  PlaySegment(firstMovie, 1, 1, 1);
  const fs::path movie = base / "graph.tmv", sound = base / "graph.tms";
  PlaySegment(movie, 1, 2, 2);
  DVD_PLAYBACK_LOCATION2 location;
  ASSERT_EQ(info->GetCurrentLocation(&location), S_OK);
  EXPECT_EQ(location.ChapterNum, 3u);
  media->Stop();
  EXPECT_GT(fs::file_size(firstMovie), 0u);
  EXPECT_GT(fs::file_size(fs::path(firstMovie).replace_extension(".tms")), 64u);

  // Loaded by name, as the converter polls them: the libraries the graph loaded.
  void* video = ::dlopen(TARNVENC_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  void* audio = ::dlopen(TARNAUD_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(video, nullptr);
  ASSERT_NE(audio, nullptr);
  auto* movieSize = reinterpret_cast<std::int32_t (*)()>(::dlsym(video, "CurentSize"));
  auto* soundSize = reinterpret_cast<std::int32_t (*)()>(::dlsym(audio, "CurrentSize"));
  ASSERT_NE(movieSize, nullptr);
  ASSERT_NE(soundSize, nullptr);
  EXPECT_EQ(static_cast<std::uintmax_t>(movieSize()) + static_cast<std::uintmax_t>(soundSize()),
            fs::file_size(movie) + fs::file_size(sound));
  EXPECT_GT(fs::file_size(movie), 0u);
  EXPECT_GT(fs::file_size(sound), 64u);
  ::dlclose(video);
  ::dlclose(audio);
}

// The converter plays title after title, and disc after disc, through the graph it built for
// the first: NTSC with AC-3, then a PAL title with MPEG audio, then one with LPCM.
TEST_F(ConversionGraph, LaterTitlesInAnotherAudioCodecOrPictureSizeConvertThroughTheSameGraph) {
  AddFilters(kConversionFilters);
  ASSERT_EQ(
      FindInterfaceInGraph(graph.Get(), IID_IDvdControl2, reinterpret_cast<void**>(control.ReleaseAndGetAddressOf())),
      S_OK);
  ASSERT_EQ(FindInterfaceInGraph(graph.Get(), IID_IDvdInfo2, reinterpret_cast<void**>(info.ReleaseAndGetAddressOf())),
            S_OK);
  ASSERT_EQ(control->SetDVDDirectory(tarn::media::Utf8ToWide(nav_test::Discs().ntsc).c_str()), S_OK);
  RenderNavigator();
  ASSERT_EQ(QueryInterfaceAs(graph.Get(), media.ReleaseAndGetAddressOf()), S_OK);

  struct Segment {
    const char* name;
    bool pal;
    ULONG title;
    double tone;
    double seconds;
    double nav_test::Picture::*colour;  // null: white
  };
  const Segment segments[] = {{"ntsc", false, 1, 440, 60 * kFrameSeconds, &nav_test::Picture::red},
                              {"pal_mpeg", true, 1, 440, 2.0, &nav_test::Picture::red},
                              {"pal_lpcm", true, 2, 330, 2.0, nullptr},
                              {"ntsc_again", false, 1, 440, 60 * kFrameSeconds, &nav_test::Picture::red}};
  bool palOpen = false;
  for (const Segment& segment : segments) {
    SCOPED_TRACE(segment.name);
    if (segment.pal != palOpen) {
      // As the converter opens another source: the navigator stops, then takes the new folder.
      ASSERT_EQ(control->Stop(), S_OK);
      const std::string& disc = segment.pal ? nav_test::Discs().pal : nav_test::Discs().ntsc;
      ASSERT_EQ(control->SetDVDDirectory(tarn::media::Utf8ToWide(disc).c_str()), S_OK);
      palOpen = segment.pal;
    }
    const fs::path movie = base / (std::string(segment.name) + ".tmv");
    PlaySegment(movie, segment.title, 1, 1);
    media->Stop();

    const nav_test::Sound sound = nav_test::ReadSoundFile(fs::path(movie).replace_extension(".tms"));
    ASSERT_TRUE(sound.finished);
    EXPECT_NEAR(nav_test::ToneFrequency(sound), segment.tone, segment.tone * 0.03);
    EXPECT_NEAR(sound.Seconds(), segment.seconds, kAudioFrameSeconds);
    const std::vector<nav_test::Picture> pictures = nav_test::MoviePictures(movie);
    ASSERT_GE(pictures.size(), 15u);
    const nav_test::Picture& middle = pictures[pictures.size() / 2];
    if (segment.colour != nullptr) {
      EXPECT_TRUE(Dominant(middle, segment.colour)) << middle.red << " " << middle.green << " " << middle.blue;
    } else {
      EXPECT_GT(std::min({middle.red, middle.green, middle.blue}), 150) << "not white";
    }
  }
}

TEST_F(ConversionGraph, WithoutTheNavigatorNoDvdInterfaceIsFound) {
  AddFilters({"GPL MPEG-1/2 Decoder", "Tarn Video Encoder for GAME", "Tarn Audio Encoder for DVD", "ACM Wrapper"});
  ComPtr<IDvdInfo2> found;
  EXPECT_EQ(FindInterfaceInGraph(graph.Get(), IID_IDvdInfo2, reinterpret_cast<void**>(found.ReleaseAndGetAddressOf())),
            E_FAIL);
}

}  // namespace
