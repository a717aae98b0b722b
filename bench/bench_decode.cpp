// DecodeFrame on records of three kinds of content, and the reference upkeep after a frame.
//
// BM_DecodeFrame decodes what the encoder made of the still, moving and noise sequences in
// a closed loop, each record against the reference it was coded for. BM_DecodeAssembled
// decodes records assembled here code by code, the extremes of each kind: 600 keeps; a pan
// that moves every block by the pan's vector (blocks whose source would leave the picture
// are cut into filled 4x4 quarters); noise cut down to 2x2 cells and some cells down to
// pixels, a frame far over the budget that the encoder's retries would have made smaller.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "bench/bench_content.h"
#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"

namespace {

using namespace tarn::codec;

class RecordBuilder {
 public:
  void Bits(std::string_view bits) {
    for (char bit : bits) {
      if (bitCount_ % 32 == 0) words_.push_back(0);
      if (bit == '1') words_.back() |= 1u << (31 - bitCount_ % 32);
      ++bitCount_;
    }
  }
  void Colour(std::uint16_t colour) { colours_.push_back(colour); }
  void Vector(std::uint8_t vector) { vectors_.push_back(vector); }

  std::vector<std::uint8_t> Record() const {
    std::vector<std::uint8_t> record(2);
    auto put16 = [&](std::size_t value) {
      record.push_back(static_cast<std::uint8_t>(value));
      record.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    put16(words_.size() * 4);
    put16(colours_.size() * 2);
    for (std::uint32_t word : words_) {
      put16(word & 0xFFFF);
      put16(word >> 16);
    }
    for (std::uint16_t colour : colours_) put16(colour);
    record.insert(record.end(), vectors_.begin(), vectors_.end());
    const std::size_t payloadBytes = record.size() - 2;
    record[0] = static_cast<std::uint8_t>(payloadBytes);
    record[1] = static_cast<std::uint8_t>(payloadBytes >> 8);
    return record;
  }

 private:
  std::vector<std::uint32_t> words_;
  std::size_t bitCount_ = 0;
  std::vector<std::uint16_t> colours_;
  std::vector<std::uint8_t> vectors_;
};

enum class Assembled { kKeeps, kPan, kCells };

std::uint16_t RandomColour(std::mt19937& random) { return static_cast<std::uint16_t>(random() & 0x7FFF); }

// Every level split as the encoder cuts (squares either way at random, halves always into
// squares) down to 2x2 cells; one cell in four is cut into two pixel pairs of two colours
// each, the others are filled. Cutting every cell would not fit a record's 16-bit length.
void SplitToCells(RecordBuilder& builder, std::mt19937& random, int w, int h) {
  if (w * h == 2) {
    builder.Bits("111");
    builder.Colour(RandomColour(random));
    builder.Colour(RandomColour(random));
    return;
  }
  if (w * h == 4 && random() % 4 != 0) {
    builder.Bits("111");
    builder.Colour(RandomColour(random));
    return;
  }
  const bool leftRight = w == h ? random() % 2 == 0 : w > h;
  builder.Bits(leftRight ? "101" : "100");
  for (int half = 0; half < 2; ++half) {
    if (leftRight)
      SplitToCells(builder, random, w / 2, h);
    else
      SplitToCells(builder, random, w, h / 2);
  }
}

std::vector<std::uint8_t> MakeRecord(Assembled content) {
  constexpr std::uint8_t kPanVector = (7 << 4) | 6;  // one row up, two pixels left
  std::mt19937 random(1);
  RecordBuilder builder;
  for (int block = 0; block < kBlockCount; ++block) {
    switch (content) {
      case Assembled::kKeeps:
        builder.Bits("00");
        break;
      case Assembled::kPan:
        if (block >= kBlocksAcross && block % kBlocksAcross != 0) {
          builder.Bits("01");
          builder.Vector(kPanVector);
        } else {
          builder.Bits("101");  // two 4x8 halves, each cut into two filled 4x4 quarters
          for (int quarter = 0; quarter < 4; ++quarter) {
            if (quarter % 2 == 0) builder.Bits("100");
            builder.Bits("111");
            builder.Colour(RandomColour(random));
          }
        }
        break;
      case Assembled::kCells:
        SplitToCells(builder, random, 8, 8);
        break;
    }
  }
  return builder.Record();
}

std::vector<std::uint16_t> TexturedReference() {
  std::vector<std::uint16_t> reference(kReferencePixels);
  for (std::size_t i = 0; i < reference.size(); ++i) {
    const auto x = static_cast<unsigned>(i % kScreenWidth);
    const auto y = static_cast<unsigned>(i / kScreenWidth);
    reference[i] = static_cast<std::uint16_t>(((x ^ y) & 31) | ((x / 8) & 31) << 5 | ((y / 5) & 31) << 10);
  }
  return reference;
}

// One frame of a closed loop: the record as stored and the reference it is decoded against.
struct LoopFrame {
  std::vector<std::uint8_t> record;
  std::vector<std::uint16_t> reference;
};

std::vector<LoopFrame> EncodeClosedLoop(tarn::bench::Content content, int frameCount) {
  const tarn::bench::PreparedSequence sequence(content, frameCount);
  FrameEncoder encoder;
  std::vector<std::uint16_t> reference(kReferencePixels, 0);
  std::vector<std::uint16_t> target(kReferencePixels);
  std::vector<std::uint8_t> copy(kRgbPictureBytes);
  std::vector<std::uint8_t> record(2 + kMaxPayloadBytes);
  std::vector<LoopFrame> frames;
  for (int f = 0; f < frameCount; ++f) {
    ReferenceToRgb(reference.data(), copy.data());
    std::size_t length = encoder.EncodeFrame(sequence.Frame(f), copy.data(), record.data() + 2, {});
    if (length > 0xFFFF) length = WriteAllKeepPayload(record.data() + 2);  // as the movie file stores it
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    frames.push_back({{record.begin(), record.begin() + static_cast<std::ptrdiff_t>(length + 2)}, reference});
    if (DecodeFrame(record.data(), length + 2, reference.data(), target.data()) != DecodeStatus::kOk) return {};
    std::copy(target.begin(), target.end(), reference.begin());
  }
  return frames;
}

void BM_DecodeFrame(benchmark::State& state, tarn::bench::Content content) {
  const std::vector<LoopFrame> frames = EncodeClosedLoop(content, 20);
  if (frames.empty()) {
    state.SkipWithError("a record of the closed loop does not decode");
    return;
  }
  std::vector<std::uint16_t> target(kReferencePixels);
  std::size_t frame = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const LoopFrame& loop = frames[frame];
    auto status = DecodeFrame(loop.record.data(), loop.record.size(), loop.reference.data(), target.data());
    benchmark::DoNotOptimize(status);
    benchmark::ClobberMemory();
    bytes += loop.record.size() - 2;
    frame = (frame + 1) % frames.size();
  }
  state.counters["payload_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_DecodeFrame, still, tarn::bench::Content::kStill)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeFrame, moving, tarn::bench::Content::kMoving)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeFrame, noise, tarn::bench::Content::kNoise)->Unit(benchmark::kMillisecond);

void BM_DecodeAssembled(benchmark::State& state, Assembled content) {
  const std::vector<std::uint8_t> record = MakeRecord(content);
  const std::vector<std::uint16_t> reference = TexturedReference();
  std::vector<std::uint16_t> target(kReferencePixels);
  if (DecodeFrame(record.data(), record.size(), reference.data(), target.data()) != DecodeStatus::kOk) {
    state.SkipWithError("the assembled record does not decode");
    return;
  }
  for (auto _ : state) {
    auto status = DecodeFrame(record.data(), record.size(), reference.data(), target.data());
    benchmark::DoNotOptimize(status);
    benchmark::ClobberMemory();
  }
  state.counters["payload_bytes"] = static_cast<double>(record.size() - 2);
}
BENCHMARK_CAPTURE(BM_DecodeAssembled, keeps, Assembled::kKeeps)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeAssembled, pan, Assembled::kPan)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeAssembled, cells, Assembled::kCells)->Unit(benchmark::kMillisecond);

// What follows every stored frame besides the decode: the preview and the reference copy.
void BM_ReferenceUpkeep(benchmark::State& state) {
  const std::vector<std::uint16_t> reference = TexturedReference();
  std::vector<std::uint8_t> preview(kRgbPictureBytes);
  std::vector<std::uint8_t> copy(kRgbPictureBytes);
  for (auto _ : state) {
    ReferenceToRgbAndPreview(reference.data(), copy.data(), preview.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReferenceUpkeep)->Unit(benchmark::kMillisecond);

}  // namespace
