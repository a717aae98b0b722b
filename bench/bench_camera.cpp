// Real camera footage: 30 kept frames (10 a second, from 5 s on) of the 29.97 fps MPEG-2 clip that
// bench/camera_footage.sh makes, named by TARN_CAMERA_CLIP. The pictures are decoded and turned
// into YUY2 as the file source does it (libavcodec, then libswscale with point sampling). Two
// measures:
//   BM_EncodeFrame/camera          EncodeFrame alone, each frame against the closed loop's
//                                  reference of the frame before it
//   BM_PrepareEncodeDecode/camera  the encoder filter's whole chain for one kept frame: YUY2
//                                  prepared, encoded, decoded into the reference
// The encoder shares its analysis with a helper thread: "Time" is the wall time of a frame,
// "CPU" the processor time of both threads.
//     .../camera_period            the same over exactly one period of the frames (forwards and
//                                  back), for instruction counts (valgrind) that repeat
//   BM_PrepareDecode/camera        that chain without EncodeFrame: YUY2 prepared, the frame's
//                                  record (coded beforehand) decoded into the reference, the
//                                  reference widened into the reference copy and the preview
//     .../camera_frames            the same over the 30 frames once, for instruction counts
//   BM_UpdateReference/camera      the reference upkeep alone: the records decoded and the
//                                  reference widened (.../camera_frames: for instruction counts)
//   BM_DecodeFrame/camera          the records decoded alone
//   BM_WriteFrame/camera           the record writer alone over the frames' decisions (see there)
//   BM_FastPathsAgree/camera       not a speed: the pictures prepared and the closed loop coded
//                                  with the widest kernels and with the portable ones must give
//                                  the same pictures and payloads (an error otherwise)
// The pictures are prepared with the converter's settings, as tarnconv codes them.
// Without the clip both skip with a message.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_source.h"
#include "codec/encode_analysis.h"
#include "codec/encode_planes.h"
#include "codec/encode_schedule.h"
#include "codec/encode_writer.h"
#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"
#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"

namespace {

using namespace tarn::codec;
using Picture = std::vector<std::uint8_t>;

constexpr int kWidth = tarn::bench::kDiscWidth;
constexpr int kHeight = tarn::bench::kDiscHeight;
constexpr std::size_t kDiscRgbBytes = std::size_t{kWidth} * kHeight * 3;
constexpr int kFirstPicture = 150;  // 5 s in: hand-held footage
constexpr int kKeptFrames = 30;

// The picture settings tarnconv writes for the encoder (brightness and contrast 60, enhance 4,
// saturation 3): sharper pictures than the encoder's own defaults, and larger records.
void BuildConverterTables(PictureTables& tables) { BuildPictureTables(60, 60, 4, tables); }
FitSettings ConverterFit() {
  FitSettings fit;
  fit.saturationShift = 3;
  return fit;
}

struct CameraFootage {
  std::vector<Picture> yuy2;      // as the file source delivers them
  std::vector<Picture> prepared;  // as the encoder codes them
  std::string error;
};

struct AvDeleter {
  void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
  void operator()(AVFrame* p) const { av_frame_free(&p); }
  void operator()(AVPacket* p) const { av_packet_free(&p); }
  void operator()(SwsContext* p) const { sws_freeContext(p); }
};
template <class T>
using AvPtr = std::unique_ptr<T, AvDeleter>;

// Every third picture of the clip from kFirstPicture on, as 720 x 480 YUY2.
std::vector<Picture> DecodeKeptPictures(const char* path, std::string& error) {
  std::vector<Picture> pictures;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path, nullptr, nullptr) < 0) {
    error = std::string("cannot open ") + path;
    return pictures;
  }
  AvPtr<AVFormatContext> format(opened);
  avformat_find_stream_info(format.get(), nullptr);
  const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (stream < 0) {
    error = std::string("no video in ") + path;
    return pictures;
  }
  const AVCodec* codec = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
  AvPtr<AVCodecContext> decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar);
  decoder->thread_count = 1;
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
    error = "the decoder does not open";
    return pictures;
  }
  AvPtr<AVFrame> frame(av_frame_alloc());
  AvPtr<AVPacket> packet(av_packet_alloc());
  AvPtr<SwsContext> scaler;
  int index = 0;
  bool draining = false;
  while (static_cast<int>(pictures.size()) < kKeptFrames) {
    const int received = avcodec_receive_frame(decoder.get(), frame.get());
    if (received == 0) {
      if (index >= kFirstPicture && (index - kFirstPicture) % 3 == 0 && frame->width == kWidth &&
          frame->height == kHeight) {
        if (!scaler)
          scaler.reset(sws_getContext(kWidth, kHeight, static_cast<AVPixelFormat>(frame->format), kWidth, kHeight,
                                      AV_PIX_FMT_YUYV422, SWS_POINT, nullptr, nullptr, nullptr));
        Picture& yuy2 = pictures.emplace_back(std::size_t{kWidth} * kHeight * 2);
        std::uint8_t* planes[4] = {yuy2.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {kWidth * 2, 0, 0, 0};
        sws_scale(scaler.get(), frame->data, frame->linesize, 0, kHeight, planes, strides);
      }
      ++index;
      av_frame_unref(frame.get());
      continue;
    }
    if (received != AVERROR(EAGAIN) || draining) break;
    if (av_read_frame(format.get(), packet.get()) < 0) {
      draining = true;
      avcodec_send_packet(decoder.get(), nullptr);
      continue;
    }
    if (packet->stream_index == stream) avcodec_send_packet(decoder.get(), packet.get());
    av_packet_unref(packet.get());
  }
  if (pictures.size() < 2) error = std::string("too few 720x480 pictures in ") + path;
  return pictures;
}

// The pictures as the encoder filter prepares them with the converter's settings.
std::vector<Picture> PreparePictures(const std::vector<Picture>& yuy2Pictures) {
  PictureTables tables{};
  BuildConverterTables(tables);
  const FitSettings fit = ConverterFit();
  Picture halved(kDiscRgbBytes), work(kRgbPictureBytes);
  std::vector<Picture> prepared;
  for (const Picture& yuy2 : yuy2Pictures) {
    int width = kWidth, height = kHeight;
    YuvToHalvedRgb(yuy2.data(), halved.data(), width, height, fit);
    FitPicture(halved.data(), width, height, fit, tables, work.data(), prepared.emplace_back(kRgbPictureBytes).data());
  }
  return prepared;
}

const CameraFootage& Footage() {
  static const CameraFootage footage = [] {
    CameraFootage loaded;
    const char* path = std::getenv("TARN_CAMERA_CLIP");
    if (path == nullptr) {
      loaded.error = "TARN_CAMERA_CLIP is not set (bench/camera_footage.sh makes the clip)";
      return loaded;
    }
    loaded.yuy2 = DecodeKeptPictures(path, loaded.error);
    if (!loaded.error.empty()) return loaded;
    loaded.prepared = PreparePictures(loaded.yuy2);
    return loaded;
  }();
  return footage;
}

// The footage, or null once `state` is marked as skipped with the reason it could not be had.
const CameraFootage* FootageOrSkip(benchmark::State& state) {
  const CameraFootage& footage = Footage();
  if (footage.error.empty()) return &footage;
  state.SkipWithError(footage.error.c_str());
  return nullptr;
}

// The reference copy each frame is coded against when the frames are coded in order; the
// payloads, when asked for, in `payloads`.
std::vector<Picture> ClosedLoopReferences(const std::vector<Picture>& prepared,
                                          std::vector<Picture>* payloads = nullptr) {
  FrameEncoder encoder;
  std::vector<std::uint16_t> reference(kReferencePixels, 0), target(kReferencePixels);
  Picture record(2 + kMaxPayloadBytes);
  std::vector<Picture> copies;
  for (const Picture& frame : prepared) {
    copies.emplace_back(kRgbPictureBytes);
    ReferenceToRgb(reference.data(), copies.back().data());
    std::size_t length = encoder.EncodeFrame(frame.data(), copies.back().data(), record.data() + 2, {});
    if (length > 65535) length = WriteAllKeepPayload(record.data() + 2);
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    if (payloads != nullptr)
      payloads->emplace_back(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(length + 2));
    if (DecodeFrame(record.data(), length + 2, reference.data(), target.data()) == DecodeStatus::kOk)
      std::copy(target.begin(), target.end(), reference.begin());
  }
  return copies;
}

// Every frame's prepared picture and payload the same with the processor's widest kernels as
// with the portable ones.
void BM_FastPathsAgreeCamera(benchmark::State& state) {
  const CameraFootage* footage = FootageOrSkip(state);
  if (footage == nullptr) return;
  std::size_t differing = 0, differingPictures = 0;
  for (auto _ : state) {
    std::vector<Picture> fast, portable;
    ClosedLoopReferences(footage->prepared, &fast);
    AllowPrepAvx2(false);
    ClosedLoopReferences(footage->prepared, &portable);
    const std::vector<Picture> portablyPrepared = PreparePictures(footage->yuy2);
    AllowPrepAvx2(true);
    differing = 0;
    for (std::size_t f = 0; f < fast.size(); ++f) differing += fast[f] != portable[f];
    differingPictures = 0;
    for (std::size_t f = 0; f < portablyPrepared.size(); ++f)
      differingPictures += portablyPrepared[f] != footage->prepared[f];
  }
  state.counters["differing_payloads"] = static_cast<double>(differing);
  state.counters["differing_pictures"] = static_cast<double>(differingPictures);
  if (differing != 0) state.SkipWithError("the fast and the portable kernels code camera frames differently");
  if (differingPictures != 0)
    state.SkipWithError("the fast and the portable kernels prepare camera frames differently");
}
BENCHMARK(BM_FastPathsAgreeCamera)->Name("BM_FastPathsAgree/camera")->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_EncodeCamera(benchmark::State& state) {
  const CameraFootage* footage = FootageOrSkip(state);
  if (footage == nullptr) return;
  const std::vector<Picture> references = ClosedLoopReferences(footage->prepared);
  FrameEncoder encoder;
  Picture payload(kMaxPayloadBytes);
  std::size_t bytes = 0;
  std::size_t frame = 1;  // the first frame is coded against black
  for (auto _ : state) {
    bytes += encoder.EncodeFrame(footage->prepared[frame].data(), references[frame].data(), payload.data(), {});
    benchmark::DoNotOptimize(payload.data());
    frame = frame + 1 < footage->prepared.size() ? frame + 1 : 1;
  }
  state.counters["payload_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EncodeCamera)->Name("BM_EncodeFrame/camera")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The frames run forwards and back again, so consecutive kept frames always follow on.
void BM_ChainCamera(benchmark::State& state) {
  const CameraFootage* footage = FootageOrSkip(state);
  if (footage == nullptr) return;
  PictureTables tables{};
  BuildConverterTables(tables);
  const FitSettings fit = ConverterFit();
  const EncoderSettings settings;
  FrameEncoder encoder;
  Picture input(kDiscRgbBytes), work(kRgbPictureBytes), prepared(kRgbPictureBytes), record(2 + kMaxPayloadBytes);
  Picture referenceCopy(kRgbPictureBytes), preview(kRgbPictureBytes);
  std::vector<std::uint16_t> reference(kReferencePixels), decoded(kReferencePixels);
  ResetReference(reference.data(), referenceCopy.data());

  const int count = static_cast<int>(footage->yuy2.size());
  const int period = 2 * (count - 1);
  int step = 0;
  std::size_t payloadBytes = 0;
  for (auto _ : state) {
    const int p = step % period;
    step = (step + 1) % period;
    const Picture& source = footage->yuy2[static_cast<std::size_t>(p < count ? p : period - p)];
    int width = kWidth, height = kHeight;
    YuvToHalvedRgb(source.data(), input.data(), width, height, fit);
    FitPicture(input.data(), width, height, fit, tables, work.data(), prepared.data());
    const std::size_t length = encoder.EncodeFrame(prepared.data(), referenceCopy.data(), record.data() + 2, settings);
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    if (DecodeFrame(record.data(), length + 2, reference.data(), decoded.data()) != DecodeStatus::kOk) {
      state.SkipWithError("the encoder's payload does not decode");
      break;
    }
    std::swap(reference, decoded);
    ReferenceToRgbAndPreview(reference.data(), referenceCopy.data(), preview.data());
    payloadBytes += length;
    benchmark::ClobberMemory();
  }
  state.counters["payload_bytes"] =
      benchmark::Counter(static_cast<double>(payloadBytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ChainCamera)
    ->Name("BM_PrepareEncodeDecode/camera")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
// One whole period (forwards and back) as a fixed count, for instruction counts that repeat.
BENCHMARK(BM_ChainCamera)
    ->Name("BM_PrepareEncodeDecode/camera_period")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Iterations(2 * (kKeptFrames - 1));

// The frames in order, from black: each record decodes against the reference it was coded for.
void BM_PrepareDecodeCamera(benchmark::State& state) {
  const CameraFootage* footage = FootageOrSkip(state);
  if (footage == nullptr) return;
  std::vector<Picture> records;
  ClosedLoopReferences(footage->prepared, &records);
  PictureTables tables{};
  BuildConverterTables(tables);
  const FitSettings fit = ConverterFit();
  Picture input(kDiscRgbBytes), work(kRgbPictureBytes), prepared(kRgbPictureBytes);
  Picture referenceCopy(kRgbPictureBytes), preview(kRgbPictureBytes);
  std::vector<std::uint16_t> reference(kReferencePixels), decoded(kReferencePixels);
  std::size_t frame = 0;
  for (auto _ : state) {
    if (frame == 0) ResetReference(reference.data(), referenceCopy.data());
    int width = kWidth, height = kHeight;
    YuvToHalvedRgb(footage->yuy2[frame].data(), input.data(), width, height, fit);
    FitPicture(input.data(), width, height, fit, tables, work.data(), prepared.data());
    const Picture& record = records[frame];
    if (DecodeFrame(record.data(), record.size(), reference.data(), decoded.data()) != DecodeStatus::kOk) {
      state.SkipWithError("a camera record does not decode");
      break;
    }
    std::swap(reference, decoded);
    ReferenceToRgbAndPreview(reference.data(), referenceCopy.data(), preview.data());
    benchmark::ClobberMemory();
    frame = frame + 1 < records.size() ? frame + 1 : 0;
  }
}
BENCHMARK(BM_PrepareDecodeCamera)->Name("BM_PrepareDecode/camera")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareDecodeCamera)
    ->Name("BM_PrepareDecode/camera_frames")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kKeptFrames);

// The encoder filter's upkeep of its reference after each kept frame, alone: the camera
// records (coded beforehand, in order from black) decoded into the second buffer, and the
// reference widened into the reference copy and the preview. Each record is new to the
// processor's branch predictors, as in a run: one record decoded over and over would teach
// them its codes.
//   BM_UpdateReference/camera          decode and widening
//     .../camera_frames                the 30 frames once, for instruction counts
//   BM_DecodeFrame/camera              the decode alone
void UpdateReferenceCamera(benchmark::State& state, bool widen) {
  const CameraFootage* footage = FootageOrSkip(state);
  if (footage == nullptr) return;
  std::vector<Picture> records;
  ClosedLoopReferences(footage->prepared, &records);
  Picture referenceCopy(kRgbPictureBytes), preview(kRgbPictureBytes);
  std::vector<std::uint16_t> reference(kReferencePixels), decoded(kReferencePixels);
  std::size_t frame = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    if (frame == 0) ResetReference(reference.data(), referenceCopy.data());
    const Picture& record = records[frame];
    if (DecodeFrame(record.data(), record.size(), reference.data(), decoded.data()) != DecodeStatus::kOk) {
      state.SkipWithError("a camera record does not decode");
      break;
    }
    std::swap(reference, decoded);
    if (widen) ReferenceToRgbAndPreview(reference.data(), referenceCopy.data(), preview.data());
    benchmark::ClobberMemory();
    bytes += record.size();
    frame = frame + 1 < records.size() ? frame + 1 : 0;
  }
  state.counters["record_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(UpdateReferenceCamera, widened, true)
    ->Name("BM_UpdateReference/camera")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(UpdateReferenceCamera, widened, true)
    ->Name("BM_UpdateReference/camera_frames")
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(kKeptFrames);
BENCHMARK_CAPTURE(UpdateReferenceCamera, decoded, false)->Name("BM_DecodeFrame/camera")->Unit(benchmark::kMicrosecond);

// The record writer alone: each camera frame analysed once (its first coding, at the encoder's
// default settings, against its closed-loop reference), then its codes written and packed. The
// frames take turns, so that the branch predictors meet new decisions each time as in a run;
// the frame's tables are read through beforehand (untimed), as the analysis leaves them in the
// caches. A frame whose payload differs from the encoder's own is an error.
//   BM_WriteFrame/camera           WriteFrame and Pack
//     .../camera_frames            the 30 frames once, for instruction counts
// The encoder's first coding of a frame: levels 0 to 2 fixed, 3 to 5 after the detail found.
void AnalyseFirstCoding(FrameAnalysis& analysis, int mode, int area) {
  for (int level = 0; level < 2; ++level) analysis.RunLevel(level, FirstCodingThresholds(level, mode));
  DetailBranch branch = DetailBranch::kCalm;
  if (analysis.RunLevel(2, FirstCodingThresholds(2, mode)) > area) {
    branch =
        analysis.RunLevel(3, BusyLevel3Thresholds(mode), area) <= area ? DetailBranch::kBusy : DetailBranch::kVeryBusy;
  }
  if (branch != DetailBranch::kBusy) analysis.RunLevel(3, DetailThresholds(branch, 3, mode));
  analysis.RunLevel(4, DetailThresholds(branch, 4, mode));
  analysis.RunLevel(5, DetailThresholds(branch, 5, mode));
}

std::size_t ReadThrough(const FrameAnalysis& analysis) {
  std::size_t sum = 0;
  for (int id = 0; id < kTableCount; ++id) {
    const RegionTable& table = analysis.Table(static_cast<TableId>(id));
    for (const std::uint8_t d : table.decisions) sum += d;
    for (const std::uint8_t p : table.params) sum += p;
  }
  return sum;
}

void WriteFrameCamera(benchmark::State& state) {
  const CameraFootage* footage = FootageOrSkip(state);
  if (footage == nullptr) return;
  std::vector<Picture> payloads;
  const std::vector<Picture> references = ClosedLoopReferences(footage->prepared, &payloads);
  const EncoderSettings settings;
  auto differences = std::make_unique<KeepDifferences>();
  auto cells = std::make_unique<FillCells>();
  std::vector<std::unique_ptr<FrameAnalysis>> frames;
  CodeWriter writer;
  Picture payload(kMaxPayloadBytes);
  for (std::size_t f = 0; f < footage->prepared.size(); ++f) {
    const std::uint8_t* prepared = footage->prepared[f].data();
    BuildKeepDifferences(prepared, references[f].data(), *differences);
    BuildFillCells(prepared, *cells);
    FrameAnalysis& analysis = *frames.emplace_back(std::make_unique<FrameAnalysis>(false));
    analysis.Begin({prepared, references[f].data(), differences.get(), cells.get()}, FactorsForMode(settings.mode));
    AnalyseFirstCoding(analysis, settings.mode, AreaMeasure(settings.targetWidth, settings.targetHeight));
    writer.Clear();
    writer.WriteFrame(analysis);
    const std::size_t length = writer.Pack(payload.data());
    const Picture& coded = payloads[f];  // the encoder's record: length, then the payload
    const bool sameAsEncoder =
        coded.size() == length + 2 && std::equal(coded.begin() + 2, coded.end(), payload.begin());
    if (!sameAsEncoder && length <= kFrameBudget) {  // frames over it were coded again
      state.SkipWithError("the camera frame's codes differ from the encoder's");
      return;
    }
  }
  std::size_t frame = 0, bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    benchmark::DoNotOptimize(ReadThrough(*frames[frame]));
    state.ResumeTiming();
    writer.Clear();
    writer.WriteFrame(*frames[frame]);
    bytes += writer.Pack(payload.data());
    benchmark::DoNotOptimize(payload.data());
    frame = frame + 1 < frames.size() ? frame + 1 : 0;
  }
  state.counters["payload_bytes"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(WriteFrameCamera)->Name("BM_WriteFrame/camera")->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteFrameCamera)
    ->Name("BM_WriteFrame/camera_frames")
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(kKeptFrames);

}  // namespace
