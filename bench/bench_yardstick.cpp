// The yardstick: libavcodec decoding one 720 x 480 MPEG-2 frame on one thread, and the whole
// per-frame chain of the encoder filter (prepare, encode, decode into the reference) for one
// kept frame of natural moving content. A disc keeps one frame in three, so the chain should
// cost at most twice one MPEG-2 decode.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_content.h"
#include "bench/bench_source.h"
#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"
#include "codec/picture_prep.h"

namespace {

using namespace tarn::codec;
using Packets = std::vector<std::vector<std::uint8_t>>;

// ---------------------------------------------------------------------------------------------
// The MPEG-2 clip

// A private temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarn-yardstick-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// 60 frames of FFmpeg's test pattern as a DVD-like MPEG-2 elementary stream (GOP 15, two
// B-frames, 6 Mbit/s), cut into one packet per picture by libavcodec's parser.
struct Mpeg2Clip {
  Packets packets;
  std::string error;
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Packets SplitIntoPictures(const std::vector<std::uint8_t>& stream) {
  Packets packets;
  AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_MPEG2VIDEO);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* context = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
  if (parser != nullptr && context != nullptr) {
    const std::uint8_t* data = stream.data();
    int left = static_cast<int>(stream.size());
    while (true) {
      std::uint8_t* packet = nullptr;
      int packetSize = 0;
      const int used =
          av_parser_parse2(parser, context, &packet, &packetSize, data, left, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
      if (used < 0) break;
      if (packetSize > 0) packets.emplace_back(packet, packet + packetSize);
      if (left == 0) break;  // the parser was flushed
      data += used;
      left -= used;
    }
  }
  avcodec_free_context(&context);
  av_parser_close(parser);
  return packets;
}

Mpeg2Clip MakeClip() {
  Mpeg2Clip clip;
  TempFolder folder;
  if (folder.Path().empty()) {
    clip.error = "cannot create a temporary folder";
    return clip;
  }
  const std::filesystem::path file = folder.Path() / "clip.m2v";
  const std::string command =
      "ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=720x480:rate=30000/1001 -frames:v 60 "
      "-c:v mpeg2video -b:v 6M -maxrate 9M -bufsize 1835k -g 15 -bf 2 -f mpeg2video '" +
      file.string() + "'";
  if (std::system(command.c_str()) != 0) {
    clip.error = "the ffmpeg command line tool could not make the MPEG-2 clip";
    return clip;
  }
  clip.packets = SplitIntoPictures(ReadFile(file));
  if (clip.packets.size() < 30) clip.error = "the MPEG-2 clip holds too few pictures";
  return clip;
}

const Mpeg2Clip& Clip() {
  static const Mpeg2Clip clip = MakeClip();
  return clip;
}

struct CodecContextFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

// One picture per iteration: the clip's packets in turn, the decoder flushed at each restart
// (the clip begins with a closed group of pictures).
void BM_Mpeg2DecodeFrame(benchmark::State& state) {
  const Mpeg2Clip& clip = Clip();
  if (!clip.error.empty()) {
    state.SkipWithError(clip.error.c_str());
    return;
  }
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  std::unique_ptr<AVCodecContext, CodecContextFree> context(avcodec_alloc_context3(codec));
  context->thread_count = 1;
  context->thread_type = 0;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) {
    state.SkipWithError("libavcodec cannot open its MPEG-2 decoder");
    return;
  }
  std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
  std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
  std::size_t next = 0;
  std::int64_t frames = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t>& data = clip.packets[next];
    packet->data = const_cast<std::uint8_t*>(data.data());
    packet->size = static_cast<int>(data.size());
    if (avcodec_send_packet(context.get(), packet.get()) < 0) {
      state.SkipWithError("the MPEG-2 decoder refused a packet");
      break;
    }
    while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
      ++frames;
      av_frame_unref(frame.get());
    }
    if (++next == clip.packets.size()) {
      next = 0;
      avcodec_flush_buffers(context.get());
    }
  }
  state.counters["frames_out"] = static_cast<double>(frames);
}
BENCHMARK(BM_Mpeg2DecodeFrame)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------
// The encoder filter's chain for one kept frame

constexpr int kChainFrames = 30;
// The camera pans over the 30 frames and back again, so consecutive kept frames always follow
// on from each other. Natural video cuts to a new scene every few seconds: with cuts, every
// 40th kept frame (4 s at 10 kept frames a second) jumps half a period along the pan, about
// 30 pixels across and 15 down, further than any vector reaches.
constexpr int kPanPeriod = 2 * (kChainFrames - 1);
constexpr int kKeptFramesPerCut = 40;

int PanFrame(int step) {
  const int p = step % kPanPeriod;
  return p < kChainFrames ? p : kPanPeriod - p;
}

struct ChainState {
  std::vector<std::vector<std::uint8_t>> sources;  // decoded frames as they reach the filter
  std::vector<std::uint8_t> input;                 // the input (or output) sample's buffer
  std::vector<std::uint8_t> work = std::vector<std::uint8_t>(kRgbPictureBytes);
  std::vector<std::uint8_t> prepared = std::vector<std::uint8_t>(kRgbPictureBytes);
  std::vector<std::uint8_t> record = std::vector<std::uint8_t>(2 + kMaxPayloadBytes);
  std::vector<std::uint16_t> reference = std::vector<std::uint16_t>(kReferencePixels);
  std::vector<std::uint16_t> decoded = std::vector<std::uint16_t>(kReferencePixels);
  std::vector<std::uint8_t> referenceCopy = std::vector<std::uint8_t>(kRgbPictureBytes);
  std::vector<std::uint8_t> preview = std::vector<std::uint8_t>(kRgbPictureBytes);
  PictureTables tables{};
  FitSettings fit;
  EncoderSettings encoder;
  FrameEncoder frameEncoder;
};

void BM_PrepareEncodeDecode(benchmark::State& state, bool yuy2, bool sceneCuts) {
  auto chain = std::make_unique<ChainState>();
  const tarn::bench::PreparedSequence scene(tarn::bench::Content::kMoving, kChainFrames);
  for (int i = 0; i < kChainFrames; ++i) {
    std::vector<std::uint8_t> rgb = tarn::bench::DiscRgbFrom(scene.Frame(i));
    chain->input.resize(rgb.size());
    chain->sources.push_back(yuy2 ? tarn::bench::DiscYuy2From(rgb) : std::move(rgb));
  }
  BuildPictureTables(75, 75, 10, chain->tables);
  ResetReference(chain->reference.data(), chain->referenceCopy.data());

  int step = 0, kept = 0;
  std::size_t payloadBytes = 0;
  for (auto _ : state) {
    if (sceneCuts && ++kept % kKeptFramesPerCut == 0) step += kPanPeriod / 2;
    const std::vector<std::uint8_t>& source = chain->sources[static_cast<std::size_t>(PanFrame(step))];
    step = (step + 1) % kPanPeriod;
    int width = tarn::bench::kDiscWidth, height = tarn::bench::kDiscHeight;
    if (yuy2) {
      YuvToHalvedRgb(source.data(), chain->input.data(), width, height, chain->fit);
    } else {
      // An RGB24 frame is halved in the input sample itself: bring a fresh one.
      state.PauseTiming();
      std::memcpy(chain->input.data(), source.data(), source.size());
      state.ResumeTiming();
      HalvePicture(chain->input.data(), width, height, chain->fit);
    }
    FitPicture(chain->input.data(), width, height, chain->fit, chain->tables, chain->work.data(),
               chain->prepared.data());
    const std::size_t length = chain->frameEncoder.EncodeFrame(chain->prepared.data(), chain->referenceCopy.data(),
                                                               chain->record.data() + 2, chain->encoder);
    chain->record[0] = static_cast<std::uint8_t>(length);
    chain->record[1] = static_cast<std::uint8_t>(length >> 8);
    if (DecodeFrame(chain->record.data(), length + 2, chain->reference.data(), chain->decoded.data()) !=
        DecodeStatus::kOk) {
      state.SkipWithError("the encoder's payload does not decode");
      break;
    }
    std::swap(chain->reference, chain->decoded);
    ReferenceToRgbAndPreview(chain->reference.data(), chain->referenceCopy.data(), chain->preview.data());
    payloadBytes += length;
    benchmark::ClobberMemory();
  }
  state.counters["payload_bytes"] =
      benchmark::Counter(static_cast<double>(payloadBytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_PrepareEncodeDecode, rgb24, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareEncodeDecode, yuy2, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareEncodeDecode, rgb24_cuts, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareEncodeDecode, yuy2_cuts, true, true)->Unit(benchmark::kMillisecond);

}  // namespace
