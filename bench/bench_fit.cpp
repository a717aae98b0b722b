// HalvePicture + FitPicture of one 720 x 480 disc frame, as the filter prepares every kept frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_content.h"
#include "bench/bench_source.h"
#include "codec/picture_prep.h"

namespace {

using namespace tarn::codec;
using tarn::bench::kDiscHeight;
using tarn::bench::kDiscWidth;

struct FitBuffers {
  std::vector<std::uint8_t> source;   // the input sample, RGB24 or YUY2
  std::vector<std::uint8_t> picture;  // the output sample that YUY2 is converted into
  std::vector<std::uint8_t> work = std::vector<std::uint8_t>(kRgbPictureBytes);
  std::vector<std::uint8_t> prepared = std::vector<std::uint8_t>(kRgbPictureBytes);
  PictureTables tables{};
  FitSettings settings;
};

FitBuffers MakeBuffers(bool yuy2, int enhance) {
  const tarn::bench::PreparedSequence scene(tarn::bench::Content::kMoving, 1);
  FitBuffers buffers;
  std::vector<std::uint8_t> rgb = tarn::bench::DiscRgbFrom(scene.Frame(0));
  buffers.picture = rgb;
  buffers.source = yuy2 ? tarn::bench::DiscYuy2From(rgb) : std::move(rgb);
  BuildPictureTables(75, 75, enhance, buffers.tables);
  return buffers;
}

void BM_PrepareRgb24(benchmark::State& state, int enhance) {
  FitBuffers b = MakeBuffers(false, enhance);
  for (auto _ : state) {
    // Halving works in the input sample itself: give every frame a fresh one.
    state.PauseTiming();
    std::memcpy(b.picture.data(), b.source.data(), b.source.size());
    state.ResumeTiming();
    int width = kDiscWidth, height = kDiscHeight;
    HalvePicture(b.picture.data(), width, height, b.settings);
    FitPicture(b.picture.data(), width, height, b.settings, b.tables, b.work.data(), b.prepared.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(BM_PrepareRgb24, default, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareRgb24, sharpened, 5)->Unit(benchmark::kMillisecond);

void BM_PrepareYuy2(benchmark::State& state, int enhance) {
  FitBuffers b = MakeBuffers(true, enhance);
  for (auto _ : state) {
    int width = kDiscWidth, height = kDiscHeight;
    YuvToHalvedRgb(b.source.data(), b.picture.data(), width, height, b.settings);
    FitPicture(b.picture.data(), width, height, b.settings, b.tables, b.work.data(), b.prepared.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(BM_PrepareYuy2, default, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareYuy2, sharpened, 5)->Unit(benchmark::kMillisecond);

// The three steps one by one, to see where the time goes.
void BM_YuvToRgb(benchmark::State& state) {
  FitBuffers b = MakeBuffers(true, 10);
  for (auto _ : state) {
    YuvToRgb(b.source.data(), b.picture.data(), kDiscWidth, kDiscHeight);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_YuvToRgb)->Unit(benchmark::kMillisecond);

void BM_YuvToHalvedRgb(benchmark::State& state) {
  FitBuffers b = MakeBuffers(true, 10);
  for (auto _ : state) {
    int width = kDiscWidth, height = kDiscHeight;
    YuvToHalvedRgb(b.source.data(), b.picture.data(), width, height, b.settings);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_YuvToHalvedRgb)->Unit(benchmark::kMillisecond);

void BM_HalvePicture(benchmark::State& state) {
  FitBuffers b = MakeBuffers(false, 10);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(b.picture.data(), b.source.data(), b.source.size());
    state.ResumeTiming();
    int width = kDiscWidth, height = kDiscHeight;
    HalvePicture(b.picture.data(), width, height, b.settings);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_HalvePicture)->Unit(benchmark::kMillisecond);

void BM_FitPicture(benchmark::State& state, int enhance) {
  FitBuffers b = MakeBuffers(false, enhance);
  int width = kDiscWidth, height = kDiscHeight;
  HalvePicture(b.source.data(), width, height, b.settings);
  for (auto _ : state) {
    FitPicture(b.source.data(), width, height, b.settings, b.tables, b.work.data(), b.prepared.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(BM_FitPicture, default, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FitPicture, sharpened, 5)->Unit(benchmark::kMillisecond);

// A 720 x 576 frame halves to 360 x 288 and scales by 1.8, whose weights are not eighths.
void BM_FitPicturePal(benchmark::State& state) {
  constexpr int kPalHeight = 576;
  FitBuffers b = MakeBuffers(false, 10);
  const std::size_t rowBytes = static_cast<std::size_t>(kDiscWidth) * 3;
  std::vector<std::uint8_t> pal(rowBytes * kPalHeight);
  for (int row = 0; row < kPalHeight; ++row) {
    std::memcpy(&pal[row * rowBytes], &b.source[static_cast<std::size_t>(row * kDiscHeight / kPalHeight) * rowBytes],
                rowBytes);
  }
  int width = kDiscWidth, height = kPalHeight;
  HalvePicture(pal.data(), width, height, b.settings);
  for (auto _ : state) {
    FitPicture(pal.data(), width, height, b.settings, b.tables, b.work.data(), b.prepared.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FitPicturePal)->Name("BM_FitPicture/pal")->Unit(benchmark::kMillisecond);

}  // namespace
