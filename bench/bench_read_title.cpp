// Reading a whole 60 s title: the chapter player and the demuxer, no decoding.
// Run: build/platform/dvd/tarn_bench_dvd  (authors the "long" test disc into a temporary folder
// with scripts/make-test-dvd.sh, or takes the disc folder or image named in TARN_BENCH_DVD).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/dvd/chapter_player.h"
#include "platform/dvd/disc_path.h"
#include "platform/dvd/ps_demuxer.h"

namespace {

class BenchDisc {
 public:
  BenchDisc() {
    if (const char* given = std::getenv("TARN_BENCH_DVD"); given != nullptr && *given != '\0') {
      path_ = given;
      return;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "tarn-dvd-bench.XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = folder;
    path_ = folder + "/long";
    const std::string command = std::string("'") + TARN_MAKE_TEST_DVD + "' '" + path_ + "' long >/dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("authoring the long test disc failed");
  }
  ~BenchDisc() {
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
  }
  const std::string& path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

const BenchDisc& Disc() {
  static const BenchDisc disc;
  return disc;
}

void BM_ReadTitle(benchmark::State& state) {
  const tarn::dvd::DiscLocation location = tarn::dvd::ResolveDiscPath(Disc().path());
  int64_t bytes = 0;
  int64_t packets = 0;
  int64_t lastTime = 0;
  for (auto _ : state) {
    tarn::dvd::ChapterPlayer player(location);
    player.PlayFromChapter(1, 1);
    tarn::dvd::PsDemuxer demuxer([&](const tarn::dvd::ElementaryPacket& packet) {
      ++packets;
      lastTime = packet.time;
    });
    for (;;) {
      const tarn::dvd::PlayerEvent event = player.Next();
      if (event.kind == tarn::dvd::PlayerEventKind::kStop) {
        if (!event.error.empty()) state.SkipWithError(event.error.c_str());
        break;
      }
      if (event.kind != tarn::dvd::PlayerEventKind::kSector) continue;
      demuxer.PushSector(event.sector, event.timeOffset);
      bytes += static_cast<int64_t>(event.sector.size());
    }
  }
  benchmark::DoNotOptimize(lastTime);
  state.SetBytesProcessed(bytes);
  state.counters["packets"] = benchmark::Counter(static_cast<double>(packets), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadTitle)->Unit(benchmark::kMillisecond);

}  // namespace
