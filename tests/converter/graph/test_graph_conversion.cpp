// The graph object on the NTSC test disc, driven as the converter drives it: segments written
// into the files the settings name, the navigator stopping by itself, the transport table, the
// graph's notices drained on the window's thread, and disc paths of every length and script.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

#include "graph_test_support.h"
#include "media/com/ComPtr.h"
#include "media/graph/GraphPopulation.h"
#include "platform/platform_interfaces.h"
#include "tests/support/sound_test_support.h"
#include "tests/support/test_discs.h"

namespace {

namespace fs = std::filesystem;
using tarn::conv::GraphState;
using tarn::conv::GraphVariant;

// Forwards what the window reports to the graph object, noting the thread of each notice.
struct RelayHandler final : tarn::conv::EventWindowHandler {
  explicit RelayHandler(tarn::conv::EventWindowHandler& graphHandler) : inner(graphHandler) {}
  void OnWindowSized() override { inner.OnWindowSized(); }
  void OnWindowClosed() override { inner.OnWindowClosed(); }
  void OnGraphNotify() override {
    notifyThreads.push_back(std::this_thread::get_id());
    inner.OnGraphNotify();
  }
  tarn::conv::EventWindowHandler& inner;
  std::vector<std::thread::id> notifyThreads;
};

struct RelayWindowFactory final : tarn::conv::EventWindowFactory {
  std::unique_ptr<tarn::conv::EventWindow> Create(std::string_view caption, LONG left, LONG top, LONG width,
                                                  LONG height, tarn::conv::EventWindowHandler& handler) override {
    relays.push_back(std::make_unique<RelayHandler>(handler));
    return std::make_unique<tarn::conv::HeadlessEventWindow>(caption, left, top, width, height, *relays.back());
  }
  std::vector<std::unique_ptr<RelayHandler>> relays;
};

class GraphOnDisc : public graph_test::GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    if (!tarn::dvd::test::Discs().error.empty()) GTEST_SKIP() << tarn::dvd::test::Discs().error;
    disc = tarn::dvd::test::Discs().ntsc;
  }

  // The names the controller writes before a segment.
  void NameOutputs(const fs::path& movie, const fs::path& sound) {
    std::ofstream settings(ini);
    settings << "[SaveMovie]\nFileName=" << movie.string() << "\n[AudioOut]\nFileName=" << sound.string() << "\n";
  }

  // One segment as the controller plays it.
  void ConvertSegment(unsigned title, unsigned chapter, unsigned count) {
    ASSERT_TRUE(SUCCEEDED(Graph().TogglePause()));
    ASSERT_EQ(Graph().State(), GraphState::Paused);
    ASSERT_TRUE(Graph().PlayChapters(title, chapter, count));
    ASSERT_TRUE(SUCCEEDED(Graph().Play()));
    ASSERT_EQ(Graph().State(), GraphState::Running);
    ASSERT_TRUE(graph_test::ProcessEventsUntil([&] { return Graph().IsNavigatorStopped(); }));
    EXPECT_EQ(Graph().CurrentChapter(), chapter + count - 1);
    ASSERT_TRUE(SUCCEEDED(Graph().StopAll()));
    EXPECT_EQ(Graph().State(), GraphState::Stopped);
  }

  FILTER_STATE GraphRunState() {
    ComPtr<IMediaControl> control;
    QueryInterfaceAs(Graph().Graph(), control.ReleaseAndGetAddressOf());
    OAFilterState state = -1;
    control->GetState(1000, &state);
    return static_cast<FILTER_STATE>(state);
  }

  std::string disc;
};

TEST_F(GraphOnDisc, SegmentsOfChaptersWriteTheMovieAndSoundFilesTheSettingsName) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Conversion));
  ASSERT_EQ(Graph().OpenSource(disc), S_OK);
  EXPECT_EQ(Graph().State(), GraphState::NavigatorStopped);
  EXPECT_EQ(Graph().TitleCount(), 2u);
  unsigned chapters = 0;
  ASSERT_EQ(Graph().ChapterCount(1, chapters), S_OK);
  EXPECT_EQ(chapters, 4u);
  ULONG streams = 0, current = 0;
  ASSERT_EQ(Graph().GetCurrentAudio(streams, current), S_OK);
  EXPECT_EQ(streams, 2u);
  ASSERT_EQ(Graph().SelectAudioStream(1), S_OK);

  const fs::path movie = folder / "0000101002.tmv", sound = folder / "0000101002.tms";
  NameOutputs(movie, sound);
  ConvertSegment(1, 2, 2);
  const fs::path nextMovie = folder / "0000201004.tmv", nextSound = folder / "0000201004.tms";
  NameOutputs(nextMovie, nextSound);
  ConvertSegment(1, 4, 1);

  // A 512-byte header and frame records; the sound file has more than its header.
  for (const fs::path& file : {movie, nextMovie}) {
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_GT(fs::file_size(file), 512u + 10 * 2) << file;
  }
  for (const fs::path& file : {sound, nextSound}) {
    ASSERT_TRUE(fs::exists(file)) << file;
    EXPECT_GT(fs::file_size(file), 64u) << file;
  }
  // Chapters 2 and 3 last 150 frames, chapter 4 45: the longer run writes more.
  EXPECT_GT(fs::file_size(sound), fs::file_size(nextSound));
  EXPECT_TRUE(messages.empty());

  // The run's clock is the video encoder's own, the one the converter's timing reads.
  ComPtr<IMediaFilter> mediaFilter;
  ASSERT_EQ(QueryInterfaceAs(Graph().Graph(), mediaFilter.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IReferenceClock> clock, encoderClock;
  ASSERT_EQ(mediaFilter->GetSyncSource(clock.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IBaseFilter> encoder;
  ASSERT_EQ(Graph().Graph()->FindFilterByName(L"Tarn Video Encoder for GAME", encoder.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(QueryInterfaceAs(encoder.Get(), encoderClock.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(clock.Get(), encoderClock.Get());
}

// The preview's sound goes to the desktop audio renderer (here to a recorder in its place), the
// chosen stream at the pace of the picture; a conversion's sound ends at the silent renderer.
TEST_F(GraphOnDisc, ThePreviewPlaysTheChosenSoundAtItsTimeAndAConversionNone) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Preview));
  ComPtr<ITarnSoundOutput> output;
  ASSERT_EQ(tarn::media::graph::FindInterfaceInGraph(Graph().Graph(), IID_ITarnSoundOutput,
                                                     output.ReleaseAndGetAddressOfVoid()),
            S_OK);
  auto recorder = ComPtr<aud_test::SoundRecorder>::Attach(new aud_test::SoundRecorder);
  ASSERT_EQ(output->SetSoundSink(recorder.Get()), S_OK);
  ASSERT_EQ(Graph().OpenSource(disc), S_OK);

  // A segment as the preview run plays it: run, the chapters, then the stream choice ("fr", 880 Hz).
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(SUCCEEDED(Graph().Play()));
  ASSERT_TRUE(Graph().PlayChapters(1, 4, 1));
  ASSERT_EQ(Graph().SelectAudioStream(1), S_OK);
  ASSERT_TRUE(graph_test::ProcessEventsUntil([&] { return Graph().IsNavigatorStopped(); }));
  // Chapter 4 lasts 45 frames, 1.5 s.
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1200));
  ASSERT_TRUE(SUCCEEDED(Graph().StopAll()));
  const std::vector<double> sound = recorder->FirstChannel();
  const double rate = recorder->Rate();
  ASSERT_GT(sound.size(), std::size_t(rate));
  EXPECT_NEAR(aud_test::ZeroCrossingFrequency(sound, rate, sound.size() / 2, sound.size()), 880.0, 5.0);

  ASSERT_TRUE(Graph().RebuildForConversion());
  EXPECT_EQ(tarn::media::graph::FindInterfaceInGraph(Graph().Graph(), IID_ITarnSoundOutput,
                                                     output.ReleaseAndGetAddressOfVoid()),
            E_FAIL);
  EXPECT_TRUE(messages.empty());
}

TEST_F(GraphOnDisc, GraphNoticesAreDrainedOnTheWindowsThread) {
  RelayWindowFactory relayWindows;
  windows = &relayWindows;
  ASSERT_TRUE(Graph().Build(GraphVariant::Conversion));
  ASSERT_EQ(relayWindows.relays.size(), 1u);
  ASSERT_EQ(Graph().OpenSource(disc), S_OK);
  NameOutputs(folder / "n.tmv", folder / "n.tms");
  // The navigator's stop is announced, so that a run notices it without waiting for its poll.
  std::vector<bool> stoppedAtNotice;
  Graph().SetPlaybackEndNotice([&] { stoppedAtNotice.push_back(Graph().IsNavigatorStopped()); });
  ConvertSegment(1, 4, 1);
  graph_test::ProcessPendingEvents();
  Graph().SetPlaybackEndNotice({});
  EXPECT_NE(std::find(stoppedAtNotice.begin(), stoppedAtNotice.end(), true), stoppedAtNotice.end());

  const RelayHandler& relay = *relayWindows.relays.front();
  ASSERT_FALSE(relay.notifyThreads.empty()) << "the navigator's events were never announced";
  for (const std::thread::id& thread : relay.notifyThreads) EXPECT_EQ(thread, std::this_thread::get_id());
  ComPtr<IMediaEventEx> events;
  ASSERT_EQ(QueryInterfaceAs(Graph().Graph(), events.ReleaseAndGetAddressOf()), S_OK);
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 0), E_ABORT) << "event " << code << " left in the queue";
}

TEST_F(GraphOnDisc, TheTransportFollowsItsTable) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Preview));
  ASSERT_EQ(Graph().OpenSource(disc), S_OK);
  // After opening a disc, Play only runs the graph: the navigator is not told to play.
  ASSERT_TRUE(SUCCEEDED(Graph().Play()));
  EXPECT_EQ(Graph().State(), GraphState::Running);
  EXPECT_EQ(GraphRunState(), State_Running);
  EXPECT_TRUE(Graph().IsNavigatorStopped());
  EXPECT_EQ(Graph().Play(), S_OK);
  EXPECT_EQ(Graph().State(), GraphState::Running);

  ASSERT_TRUE(SUCCEEDED(Graph().TogglePause()));
  EXPECT_EQ(Graph().State(), GraphState::Paused);
  EXPECT_EQ(GraphRunState(), State_Paused);
  // From Paused, Play tells the navigator to play forwards before the graph runs.
  ASSERT_TRUE(SUCCEEDED(Graph().Play()));
  EXPECT_EQ(Graph().State(), GraphState::Running);
  EXPECT_FALSE(Graph().IsNavigatorStopped());

  ASSERT_TRUE(SUCCEEDED(Graph().TogglePause()));
  EXPECT_EQ(Graph().State(), GraphState::Paused);
  ASSERT_TRUE(SUCCEEDED(Graph().TogglePause()));
  EXPECT_EQ(Graph().State(), GraphState::Running);
  EXPECT_EQ(GraphRunState(), State_Running);

  ASSERT_TRUE(SUCCEEDED(Graph().StopAll()));
  EXPECT_EQ(Graph().State(), GraphState::Stopped);
  EXPECT_EQ(GraphRunState(), State_Stopped);
  EXPECT_TRUE(Graph().IsNavigatorStopped());
  // From Stopped as well: the navigator plays again.
  ASSERT_TRUE(SUCCEEDED(Graph().Play()));
  EXPECT_FALSE(Graph().IsNavigatorStopped());
  ASSERT_TRUE(SUCCEEDED(Graph().StopAll()));
  EXPECT_TRUE(messages.empty());
}

TEST_F(GraphOnDisc, DiscPathsAreTakenWholeInAnyScriptUpToTheSystemsLimit) {
  ASSERT_TRUE(Graph().Build(GraphVariant::Preview));
  const fs::path deep = folder / std::string(120, 'a') / std::string(120, 'b') / "光盘";
  fs::create_directories(deep.parent_path());
  const std::string copy = tarn::dvd::test::CopyDisc(disc, deep.parent_path().string(), deep.filename().string());
  ASSERT_GT(copy.size(), 259u);
  ASSERT_EQ(Graph().OpenSource(copy), S_OK);
  EXPECT_EQ(Graph().TitleCount(), 2u);
  std::string directory;
  ASSERT_EQ(Graph().GetSourceDirectory(directory), S_OK);
  EXPECT_EQ(directory.rfind(copy, 0), 0u) << directory;

  ASSERT_TRUE(SUCCEEDED(Graph().StopAll()));
  EXPECT_EQ(Graph().OpenSource(std::string(PATH_MAX, 'x')), E_INVALIDARG);
  EXPECT_EQ(Graph().OpenSource(copy + std::string(1, '\0') + "x"), E_INVALIDARG);
  EXPECT_EQ(Graph().State(), GraphState::Stopped);
  EXPECT_EQ(Graph().TitleCount(), 2u) << "the open disc was let go";
}

}  // namespace
