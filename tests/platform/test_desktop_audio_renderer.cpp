// The desktop audio renderer fed by hand on the system clock: each sample taken at its time,
// in order, handed to a sink when one is given and dropped at the same pace where no sound
// server answers; stop, pause and flush let go of the streaming thread at once; and, where
// PulseAudio is installed, the sound reaching a private server's null sink.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
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

// A program started with only the environment given, ended with the object.
class Child {
 public:
  Child(std::vector<std::string> command, const std::vector<std::string>& environment,
        const std::filesystem::path& output) {
    std::vector<char*> argv, envp;
    for (auto& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = environment;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      // Only calls that are safe between fork and exec in a program with threads.
      const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) ::_exit(126);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

 private:
  pid_t pid_ = -1;
};

std::string Installed(const char* program) {
  for (const char* folder : {"/usr/bin/", "/bin/"})
    if (::access((std::string(folder) + program).c_str(), X_OK) == 0) return std::string(folder) + program;
  return "";
}

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

// A new run of chapters starts its times at 0 again while the graph runs on: it too is taken at
// its pace from where it arrives, not poured out at once.
TEST_F(DesktopAudioRendererTest, WithoutASoundServerSamplesAreDroppedAtTheSamePaceRunAfterRun) {
  Start();
  PushTenths(0, 8);
  // Eight tenths, the last due 0.7 s in, handed on 0.15 s early.
  EXPECT_GE(Clock::now() - startedAt, 500ms);
  EXPECT_EQ(renderer->BytesRendered(), 8 * (kRate / 10) * 4);
  std::this_thread::sleep_for(1500ms);
  const auto secondRun = Clock::now();
  PushTenths(0, 6);
  EXPECT_GE(Clock::now() - secondRun, 300ms);
  source->pin.DeliverEndOfStream();
  ASSERT_EQ(graph->Events().size(), 1u);
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

// A PulseAudio server of the test's own (its socket, cookie, state and runtime folders all in the
// test's folder, no session bus, no configuration file) with one null sink, recorded from its
// monitor while the renderer plays a tone.
TEST_F(DesktopAudioRendererTest, TheSoundReachesAPrivateServersSink) {
  const std::string server = Installed("pulseaudio"), recorder = Installed("parec");
  if (server.empty() || recorder.empty()) GTEST_SKIP() << "pulseaudio and parec (pulseaudio-utils) are not installed";
  const std::filesystem::path here = folder.path(), socket = here / "native";
  for (const char* sub : {"home", "run", "state"}) std::filesystem::create_directories(here / sub);
  const std::vector<std::string> environment{"PATH=/usr/bin:/bin",
                                             "HOME=" + (here / "home").string(),
                                             "XDG_RUNTIME_DIR=" + (here / "run").string(),
                                             "XDG_CONFIG_HOME=" + (here / "home").string(),
                                             "PULSE_RUNTIME_PATH=" + (here / "run").string(),
                                             "PULSE_STATE_PATH=" + (here / "state").string(),
                                             "PULSE_COOKIE=" + (here / "cookie").string(),
                                             "PULSE_SERVER=unix:" + socket.string(),
                                             "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (here / "no-bus").string()};
  Child pulse({server, "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--log-target=stderr", "-L",
               "module-native-protocol-unix socket=" + socket.string() + " auth-anonymous=1", "-L",
               "module-null-sink sink_name=check"},
              environment, here / "server.log");
  const auto deadline = Clock::now() + 10s;
  while (!std::filesystem::exists(socket) && Clock::now() < deadline) std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(std::filesystem::exists(socket)) << "the private server did not start";
  const std::filesystem::path recording = here / "recording.raw";
  {
    Child record({recorder, "-d", "check.monitor", "--raw", "--format=s16le", "--rate=48000", "--channels=2",
                  "--latency-msec=20", recording.string()},
                 environment, here / "recorder.log");
    media_test::ScopedEnv reachable("PULSE_SERVER", "unix:" + socket.string());
    media_test::ScopedEnv cookie("PULSE_COOKIE", (here / "cookie").string());
    std::this_thread::sleep_for(300ms);
    Start();
    PushTenths(0, 10);
    std::this_thread::sleep_for(500ms);  // what the server holds plays out
    renderer->Stop();
    std::this_thread::sleep_for(200ms);
  }
  std::ifstream in(recording, std::ios::binary);
  std::vector<double> left;
  std::int16_t frame[2];
  while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) left.push_back(frame[0] / 32768.0);
  // The loud part of the recording is the tone.
  std::size_t first = 0, last = 0;
  for (std::size_t i = 0; i < left.size(); ++i)
    if (std::abs(left[i]) > 0.25) {
      if (first == 0) first = i;
      last = i;
    }
  ASSERT_GT(last - first, std::size_t(kRate / 2)) << "less than half a second of the tone reached the sink";
  EXPECT_NEAR(aud_test::ZeroCrossingFrequency(left, kRate, first, last), 440.0, 5.0);
  EXPECT_GT(renderer->BytesRendered(), 0);
}

}  // namespace
