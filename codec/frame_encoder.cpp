#include "codec/frame_encoder.h"

#include <algorithm>

#include "codec/encode_analysis.h"
#include "codec/encode_planes.h"
#include "codec/encode_schedule.h"
#include "codec/encode_writer.h"

namespace tarn::codec {

// The coder's work tables, allocated once with the encoder.
struct FrameEncoder::State {
  explicit State(bool helperThread) : analysis(helperThread) {}

  KeepDifferences differences;
  FillCells cells;
  FrameAnalysis analysis;
  CodeWriter writer;
  EncodeReport report;

  // Whether the last frame that analysed level 3 with raised thresholds kept their decisions
  // (split no more than the area measure). Frames follow on, so the next one likely does too:
  // it analyses those thresholds first, and the highest ones only when over the measure.
  bool lastBusyKept = false;

  void AnalyseFirstCoding(int mode, int area);
  void AnalyseRetry(int k);
  std::size_t WriteAndPack(std::uint8_t* payload);
};

// Levels 0 to 2 with fixed thresholds, then levels 3 to 5 with thresholds that rise with the
// amount of detail levels 2 and 3 found.
void FrameEncoder::State::AnalyseFirstCoding(int mode, int area) {
  for (int level = 0; level < 2; ++level) analysis.RunLevel(level, FirstCodingThresholds(level, mode));
  report.level2Splits = analysis.RunLevel(2, FirstCodingThresholds(2, mode));
  DetailBranch branch = DetailBranch::kCalm;
  if (report.level2Splits <= area) {
    analysis.RunLevel(3, DetailThresholds(branch, 3, mode));
  } else {
    // Only the count decides, and only whether it is over the area measure: the run stops
    // counting there, and the run with the highest thresholds replaces its decisions. It is
    // nearly always over: the highest thresholds are then analysed first, and the count takes
    // only the blocks needed to pass the measure, whose searches are mostly made by then.
    const Thresholds highest = DetailThresholds(DetailBranch::kVeryBusy, 3, mode);
    if (lastBusyKept) {
      report.level3Splits = analysis.RunLevel(3, BusyLevel3Thresholds(mode), area);
      if (report.level3Splits > area) analysis.RunLevel(3, highest);
    } else {
      report.level3Splits = analysis.RunLevel3Twice(BusyLevel3Thresholds(mode), area, highest);
    }
    lastBusyKept = report.level3Splits <= area;
    branch = lastBusyKept ? DetailBranch::kBusy : DetailBranch::kVeryBusy;
    report.level3Rerun = !lastBusyKept;
  }
  analysis.RunLevel(4, DetailThresholds(branch, 4, mode));
  analysis.RunLevel(5, DetailThresholds(branch, 5, mode));
}

void FrameEncoder::State::AnalyseRetry(int k) {
  for (int level = 0; level < kLevelCount; ++level) analysis.RunLevel(level, RetryThresholds(level, k));
}

std::size_t FrameEncoder::State::WriteAndPack(std::uint8_t* payload) {
  writer.Clear();
  writer.WriteFrame(analysis);
  ++report.codings;
  return writer.Pack(payload);
}

FrameEncoder::FrameEncoder(bool helperThread) : state_(std::make_unique<State>(helperThread)) {}
FrameEncoder::~FrameEncoder() = default;

const EncodeReport& FrameEncoder::LastReport() const { return state_->report; }

std::size_t FrameEncoder::EncodeFrame(const std::uint8_t* prepared, const std::uint8_t* referenceCopy,
                                      std::uint8_t* payload, const EncoderSettings& settings) {
  State& s = *state_;
  s.report = EncodeReport{};
  BuildKeepDifferences(prepared, referenceCopy, s.differences);
  BuildFillCells(prepared, s.cells);
  s.analysis.Begin({prepared, referenceCopy, &s.differences, &s.cells}, FactorsForMode(settings.mode));

  s.AnalyseFirstCoding(settings.mode, AreaMeasure(settings.targetWidth, settings.targetHeight));
  std::size_t length = s.WriteAndPack(payload);
  for (int k = 0; k < kRetryCount && length > kFrameBudget; ++k) {
    s.AnalyseRetry(k);
    length = s.WriteAndPack(payload);
  }
  return length;  // a frame still over the budget after the last retry is kept as it is
}

std::size_t WriteAllKeepPayload(std::uint8_t* payload) {
  constexpr std::size_t kKeepBits = 2 * kBlockCount;
  constexpr std::size_t kCodeBytes = (kKeepBits + 31) / 32 * 4;
  static_assert(4 + kCodeBytes == kAllKeepPayloadBytes);
  payload[0] = static_cast<std::uint8_t>(kCodeBytes);
  payload[1] = static_cast<std::uint8_t>(kCodeBytes >> 8);
  payload[2] = 0;
  payload[3] = 0;
  std::fill_n(payload + 4, kCodeBytes, std::uint8_t{0});  // keep is 00
  return kAllKeepPayloadBytes;
}

}  // namespace tarn::codec
