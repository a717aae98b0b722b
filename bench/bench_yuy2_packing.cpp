// Packing one decoded 720x480 picture into YUY2 rows, with each kernel this processor runs: the
// decoding thread does it for every picture the encoder keeps.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/av_handles.h"
#include "platform/yuy2_packing.h"

namespace {

using tarn::platform::PackingKernel;

void BM_PackYuv420AsYuy2(benchmark::State& state) {
  const auto kernel = static_cast<PackingKernel>(state.range(0));
  if (kernel > tarn::platform::BestPackingKernel()) {
    state.SkipWithError("this processor lacks the kernel");
    return;
  }
  constexpr int kWidth = 720;
  constexpr int kHeight = 480;
  std::unique_ptr<AVFrame, tarn::platform::FrameFreer> frame(av_frame_alloc());
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = kWidth;
  frame->height = kHeight;
  if (av_frame_get_buffer(frame.get(), 0) < 0) {
    state.SkipWithError("no picture");
    return;
  }
  std::uint32_t seed = 1;
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? kHeight : kHeight / 2;
    for (int i = 0; i < frame->linesize[plane] * rows; ++i) {
      seed = seed * 1664525u + 1013904223u;
      frame->data[plane][i] = static_cast<std::uint8_t>(seed >> 24);
    }
  }
  std::vector<std::uint8_t> packed(std::size_t{kWidth} * kHeight * 2);
  for (auto _ : state) {
    tarn::platform::PackYuv420AsYuy2(*frame, packed.data(), kWidth * 2, kernel);
    benchmark::DoNotOptimize(packed.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kWidth * kHeight * 2);
}
BENCHMARK(BM_PackYuv420AsYuy2)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
