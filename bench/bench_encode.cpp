// EncodeFrame on still, moving and noise content. The references each frame is coded
// against come from a closed loop through the decoder, run before the timing starts. The
// first frame of a sequence is coded against black, like the frame after a scene cut; it is
// measured on its own ("scene_cut"), the others ("still", "moving") are the frames after it.
// "Time" is a frame's wall time, "CPU" the processor time of the encoder and its helper thread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/bench_content.h"
#include "codec/encode_planes.h"
#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"

namespace {

using namespace tarn::codec;
using tarn::bench::Content;
using tarn::bench::PreparedSequence;

constexpr int kFrames = 20;

// The reference copy each frame of `sequence` is coded against in the closed loop.
std::vector<std::vector<std::uint8_t>> ClosedLoopReferences(const PreparedSequence& sequence) {
  FrameEncoder encoder;
  std::vector<std::uint16_t> reference(kReferencePixels, 0), target(kReferencePixels);
  std::vector<std::uint8_t> record(2 + kMaxPayloadBytes);
  std::vector<std::vector<std::uint8_t>> copies;
  for (int f = 0; f < sequence.FrameCount(); ++f) {
    copies.emplace_back(kRgbPictureBytes);
    ReferenceToRgb(reference.data(), copies.back().data());
    std::size_t length = encoder.EncodeFrame(sequence.Frame(f), copies.back().data(), record.data() + 2, {});
    if (length > 65535) length = WriteAllKeepPayload(record.data() + 2);  // as the movie writer stores it
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    if (DecodeFrame(record.data(), length + 2, reference.data(), target.data()) == DecodeStatus::kOk)
      std::copy(target.begin(), target.end(), reference.begin());
  }
  return copies;
}

// Codes frames [first, kFrames) of `content` over and over.
void EncodeFrames(benchmark::State& state, Content content, int first, int end) {
  const PreparedSequence sequence(content, kFrames);
  const auto references = ClosedLoopReferences(sequence);
  FrameEncoder encoder;
  std::vector<std::uint8_t> payload(kMaxPayloadBytes);
  std::size_t bytes = 0;
  int frame = first;
  for (auto _ : state) {
    bytes += encoder.EncodeFrame(sequence.Frame(frame), references[frame].data(), payload.data(), {});
    benchmark::DoNotOptimize(payload.data());
    frame = frame + 1 < end ? frame + 1 : first;
  }
  state.counters["payload_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}

void BM_EncodeFrame(benchmark::State& state, Content content) {
  // Noise frames are all alike; of the others, the frames that follow the first.
  EncodeFrames(state, content, content == Content::kNoise ? 0 : 1, kFrames);
}

void BM_EncodeFrameSceneCut(benchmark::State& state) { EncodeFrames(state, Content::kMoving, 0, 1); }

BENCHMARK_CAPTURE(BM_EncodeFrame, still, Content::kStill)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_EncodeFrame, moving, Content::kMoving)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_EncodeFrame, noise, Content::kNoise)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_EncodeFrameSceneCut)
    ->Name("BM_EncodeFrame/scene_cut")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// The keep test's per-pixel differences of a moving frame against the frame before it, the
// first step of every coding.
void BM_KeepDifferences(benchmark::State& state) {
  const PreparedSequence sequence(Content::kMoving, 2);
  KeepDifferences differences;
  for (auto _ : state) {
    BuildKeepDifferences(sequence.Frame(1), sequence.Frame(0), differences);
    benchmark::DoNotOptimize(differences.sum.data());
  }
}
BENCHMARK(BM_KeepDifferences)->Unit(benchmark::kMicrosecond);

}  // namespace
