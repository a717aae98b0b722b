// The three timers of a playing segment: the end poll (2) that notices the navigator stopping by
// itself, the size poll (3) that shows the KiB written and stops the segment at the limit, and
// the clock (4) that shows the elapsed time in the segment's chapter row.
#include <string>

#include "converter/engine/conversion_controller.h"
#include "converter/engine/size_limit.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {

namespace {
constexpr std::string_view kConverting = "转换中...";  // converting
}  // namespace

void ConversionController::StartTimers(bool conversion) {
  endPoll_.start();
  if (!conversion) return;
  sizePoll_.start();
  clock_.start();
}

void ConversionController::StopTimers() {
  endPoll_.stop();
  clock_.stop();
  sizePoll_.stop();
}

std::chrono::seconds ConversionController::Elapsed() const {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - state_.segmentStart);
}

bool ConversionController::ShowsCurrentTitle() const {
  return list_.displayedPosition >= 0 &&
         static_cast<std::size_t>(list_.displayedPosition) == state_.currentTitlePosition;
}

void ConversionController::OnEndPoll() {
  // Without a graph nothing plays any more, and the navigator can no longer say so. An encoder
  // that could not write ends the segment at once.
  const CDvdGraph& graph = graph_.Graph();
  if (graph.State() == GraphState::NoGraph || FAILED(graph.StreamError()) || graph_.Graph().IsNavigatorStopped())
    EndSegment();
}

void ConversionController::OnSizePoll() {
  const std::int64_t bytes = sizeProbe_ ? sizeProbe_() : PollOutputSize(libraries_);
  const std::int64_t kib = KiBWritten(bytes);
  state_.currentSizeText = std::to_string(kib);
  controls_.SetCurrentSizeText(state_.currentSizeText);
  if (observer_ != nullptr) observer_->Progress(playing_, Elapsed().count(), kib, graph_.Graph().CurrentChapter());
  if (SizeLimitReached(bytes, list_.activeSizeLimit)) {
    state_.limitReached = true;
    EndSegment();
  }
}

void ConversionController::OnClock() {
  if (!ShowsCurrentTitle()) return;
  const int row = static_cast<int>(state_.currentChapterNumber) - 1;
  controls_.SetChapterCell(row, ChapterColumn::Elapsed, FormatElapsed(Elapsed()));
  controls_.SetChapterCell(row, ChapterColumn::Size, kConverting);
  controls_.SetChapterCell(row, ChapterColumn::File,
                           settings::ReadText(profile_, settings::keys::kMovieFileName.WithDefault(
                                                            settings::keys::kProgressFileNameDefault)));
}

}  // namespace tarn::conv
