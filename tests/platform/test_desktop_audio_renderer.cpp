// The desktop audio renderer fed by hand on the system clock: each sample taken at its time,
// in order, handed to a sink when one is given and dropped at the same pace where no sound
// server answers; stop, pause and flush let go of the streaming thread at once.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "media/dshow/EventCodes.h"
#include "media/graph/SystemClock.h"
#include "platform/desktop_audio_renderer.h"
#include "platform_test_support.h"
#include "tests/support/sound_test_support.h"

namespace {

using namespace std::chrono_literals;
using tarn::platform::DesktopAudioRenderer;
using Clock = std::chrono::steady_clock;

constexpr DWORD kRate = 48'000;
constexpr REFERENCE_TIME kTenth = UNITS / 10;

class DesktopAudioRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A server address where nothing listens: the machine's own server, if any, is never reached.
    noServer.emplace("PULSE_SERVER", "unix:" + (folder.path() / "no-server" / "native").string());
    runtime.emplace("XDG_RUNTIME_DIR", folder.path().string());
    source->pin.offered = {aud_test::PcmType(kRate, 2)};
    ASSERT_EQ(platform_test::Connect(source.Get(), L"Out", renderer.Get(), L"In"), S_OK);
    source->JoinFilterGraph(graph.Get(), L"source");
    renderer->JoinFilterGraph(graph.Get(), L"renderer");
    clock = ComPtr<IReferenceClock>(new CSystemClock(nullptr));
    renderer->SetSyncSource(clock.Get());
  }
  void TearDown() override {
    renderer->Stop();
    source->Stop();
    platform_test::DisconnectAll({source.Get(), renderer.Get()});
  }

  // Pauses both filters and runs the renderer with stream time 0 a moment from now.
  void Start() {
    ASSERT_EQ(renderer->Pause(), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    startedAt = Clock::now();
    ASSERT_EQ(renderer->Run(now), S_OK);
  }

  // A tenth of a second of 440 Hz per sample, from stream time `from`.
  void PushTenths(REFERENCE_TIME from, int tenths) {
    for (int i = 0; i < tenths; ++i) {
      const REFERENCE_TIME start = from + i * kTenth;
      ASSERT_EQ(source->Push(aud_test::Tone({440, 440}, 0.5, kRate, double(start) / UNITS, kRate / 10), start), S_OK);
    }
  }

  media_test::TempDir folder;
  std::optional<media_test::ScopedEnv> noServer, runtime;
  ComPtr<aud_test::ToneSource> source{new aud_test::ToneSource};
  ComPtr<DesktopAudioRenderer> renderer{new DesktopAudioRenderer(nullptr)};
  ComPtr<media_test::EventRecorder> graph{new media_test::EventRecorder};
  ComPtr<IReferenceClock> clock;
  Clock::time_point startedAt;
};

TEST_F(DesktopAudioRendererTest, TheSinkHearsEverySampleInOrderAtItsTime) {
  auto recorder = ComPtr<aud_test::SoundRecorder>::Attach(new aud_test::SoundRecorder);
  ComPtr<ITarnSoundOutput> output;
  ASSERT_EQ(QueryInterfaceAs(renderer.Get(), output.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(output->SetSoundSink(recorder.Get()), S_OK);
  Start();
  PushTenths(0, 8);
  source->pin.DeliverEndOfStream();

  const auto calls = recorder->Calls();
  ASSERT_EQ(calls.size(), 8u);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].start, REFERENCE_TIME(i) * kTenth);
    // Never before its time less the renderer's lead (a little slack for the clock's grain).
    const auto due = std::chrono::microseconds((calls[i].start - DesktopAudioRenderer::kLead) / 10) - 5ms;
    EXPECT_GE(calls[i].at - startedAt, due) << "sample " << i;
  }
  EXPECT_NEAR(aud_test::ZeroCrossingFrequency(recorder->FirstChannel(), kRate, 0, kRate * 8 / 10), 440.0, 1.0);
  ASSERT_EQ(graph->Events().size(), 1u);
  EXPECT_EQ(graph->Events()[0].code, EC_COMPLETE);
}

TEST_F(DesktopAudioRendererTest, WithoutASoundServerSamplesAreDroppedAtTheSamePace) {
  Start();
  PushTenths(0, 8);
  // Eight tenths, the last due 0.7 s in, handed on 0.15 s early.
  EXPECT_GE(Clock::now() - startedAt, 500ms);
  EXPECT_EQ(renderer->BytesRendered(), 8 * (kRate / 10) * 4);
  source->pin.DeliverEndOfStream();
  ASSERT_EQ(graph->Events().size(), 1u);
}

// A new run of chapters starts its times at 0 again while the graph runs on: it is played at
// its pace from where it arrives, not poured out at once.
TEST_F(DesktopAudioRendererTest, ARunStartingOverAtZeroKeepsItsPace) {
  Start();
  PushTenths(0, 2);
  std::this_thread::sleep_for(1500ms);
  const auto secondRun = Clock::now();
  PushTenths(0, 6);
  EXPECT_GE(Clock::now() - secondRun, 300ms);
}

TEST_F(DesktopAudioRendererTest, StopPauseAndFlushLetGoOfTheStreamingThreadAtOnce) {
  // Paused: the sample waits for the run.
  ASSERT_EQ(renderer->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  auto waiting = std::async(std::launch::async, [&] { PushTenths(0, 1); });
  EXPECT_EQ(waiting.wait_for(300ms), std::future_status::timeout);
  EXPECT_EQ(renderer->BytesRendered(), 0);
  // A flush lets it go without playing it.
  ComPtr<IPin> pin;
  ASSERT_EQ(renderer->FindPin(L"In", pin.ReleaseAndGetAddressOf()), S_OK);
  pin->BeginFlush();
  EXPECT_EQ(waiting.wait_for(1s), std::future_status::ready);
  pin->EndFlush();
  EXPECT_EQ(renderer->BytesRendered(), 0);

  // Running, with a sample due long after: pausing keeps it waiting, stopping lets it go.
  REFERENCE_TIME now = 0;
  clock->GetTime(&now);
  ASSERT_EQ(renderer->Run(now), S_OK);
  auto late = std::async(std::launch::async, [&] { PushTenths(60 * UNITS, 1); });
  EXPECT_EQ(late.wait_for(200ms), std::future_status::timeout);
  ASSERT_EQ(renderer->Pause(), S_OK);
  EXPECT_EQ(late.wait_for(200ms), std::future_status::timeout);
  const auto stopping = Clock::now();
  renderer->Stop();
  EXPECT_EQ(late.wait_for(1s), std::future_status::ready);
  EXPECT_LT(Clock::now() - stopping, 1s);
  EXPECT_EQ(renderer->BytesRendered(), 0);
}

}  // namespace
