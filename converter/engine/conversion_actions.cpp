// The Convert and Preview actions: which run they start or stop, the labels and enabling of the
// two buttons, the video window that must be closed before the graph is switched, and the
// power-off that may follow a conversion.
#include <QCoreApplication>

#include <ctime>

#include "converter/engine/conversion_controller.h"
#include "converter/engine/engine_messages.h"
#include "converter/engine/entry_settings.h"

namespace tarn::conv {

ConversionController::ConversionController(CurrentGraph& graph, ConverterControls& controls, WorkList& list,
                                           settings::ProfileFile profile, PowerSwitch& power)
    : graph_(graph), controls_(controls), list_(list), profile_(std::move(profile)), power_(power) {
  endPoll_.setInterval(50);
  sizePoll_.setInterval(50);
  clock_.setInterval(1000);
  QObject::connect(&endPoll_, &QTimer::timeout, &endPoll_, [this] { OnEndPoll(); });
  QObject::connect(&sizePoll_, &QTimer::timeout, &sizePoll_, [this] { OnSizePoll(); });
  QObject::connect(&clock_, &QTimer::timeout, &clock_, [this] { OnClock(); });
  // The navigator's stop or the file's end polls at once instead of up to 50 ms later: every
  // segment would otherwise end with the disc and the processor idle for that wait. The sizes
  // are polled first, as at a tick of both timers, so that a segment that went over the limit
  // still counts as stopped by it.
  graph_.Graph().SetPlaybackEndNotice([this] {
    if (sizePoll_.isActive()) OnSizePoll();
    if (endPoll_.isActive() && !state_.segmentDone) OnEndPoll();
  });
}

ConversionController::~ConversionController() { graph_.Graph().SetPlaybackEndNotice({}); }

void ConversionController::StoreDirtySettings(bool onlyWithSelection) {
  if (!list_.settingsDirty || (onlyWithSelection && list_.selectedPosition < 0)) return;
  if (CTitleEntry* displayed = list_.Displayed()) SnapshotEntry(list_, controls_, profile_, *displayed);
  list_.settingsDirty = false;
}

bool ConversionController::RunWindowOpen() {
  std::string caption;
  return graph_.Graph().GetVideoCaption(caption) && caption == kRunWindowCaption;
}

void ConversionController::ConvertAction() {
  if (list_.TitleCount() == 0 || !graph_.Variant()) return;
  if (graph_.Is(GraphVariant::Preview) && RunWindowOpen()) {
    controls_.ShowMessage(kClosePreviewFirst, kWarningCaption);
    return;
  }
  StoreDirtySettings(false);
  const std::string label = controls_.ButtonLabel(ActionButton::Convert);
  if (label == kLabelConvert && !IsRunning()) {
    StartConversion();
  } else if (label == kLabelAbort) {
    AbortConversion();
  }
  // Only after a run that converted something and ended by itself: never after an abort, a
  // limit stop, or a run that converted nothing.
  const RunOutcome outcome{state_.runFinished, state_.limitReached, state_.abortRequested, false,
                           state_.segmentsConverted};
  ShutDownSystem(outcome, profile_, power_);
  PassOnQuit();
}

namespace {

// The refusal of a second conversion in the window's language: which process holds the
// settings file and since when, as its lock file says.
std::string RunningElsewhereText(const std::filesystem::path& settingsFile, const settings::LockHolder& holder) {
  std::string text = "另一个转换正在使用设置文件 " + settingsFile.string() + "：";
  if (holder.pid > 0) text += "进程 " + std::to_string(holder.pid) + "，";
  text += holder.what;
  if (holder.since) {
    std::tm local{};
    char when[32];
    if (::localtime_r(&*holder.since, &local) != nullptr &&
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local) > 0)
      text += std::string("，开始于 ") + when;
  }
  return text + "。本次转换没有开始。";
}

}  // namespace

// The encoders take their file names from the settings file: a second conversion on the same
// file would write into this one's files. Held for the run; refused when another holds it.
bool ConversionController::TakeRunLock() {
  runLock_.emplace(profile_.path(), "tarnconv: " + list_.currentSource);
  if (runLock_->held() || runLock_->error() != std::errc::resource_unavailable_try_again) return true;
  controls_.ShowMessage(RunningElsewhereText(profile_.path(), runLock_->holder()), kWarningCaption);
  runLock_.reset();
  // Nothing ran: nothing may power the computer off either.
  state_.runFinished = false;
  state_.segmentsConverted = 0;
  return false;
}

void ConversionController::StartConversion() {
  if (!TakeRunLock()) return;
  if (graph_.Is(GraphVariant::Preview)) graph_.Rebuild(GraphVariant::Conversion);
  state_.abortRequested = false;
  state_.segmentsConverted = 0;
  controls_.SetButtonLabel(ActionButton::Convert, kLabelAbort);
  controls_.EnableButton(ActionButton::Preview, false);
  graph_.Graph().SetVideoCaption(kRunWindowCaption);
  RunConversion(1, 1);
  runLock_.reset();
  state_.runFinished = true;
}

void ConversionController::AbortConversion() {
  graph_.Graph().StopAll();
  controls_.SetButtonLabel(ActionButton::Convert, kLabelConvert);
  controls_.EnableButton(ActionButton::Preview, true);
  EndSegment();
  state_.abortRequested = true;
  if (controls_.ButtonLabel(ActionButton::Preview) == kLabelContinue) {
    controls_.SetButtonLabel(ActionButton::Preview, kLabelPreview);
    state_.limitReached = false;
  }
}

void ConversionController::PreviewAction() {
  if (list_.TitleCount() == 0 || !graph_.Variant()) return;
  StoreDirtySettings(true);
  const std::string label = controls_.ButtonLabel(ActionButton::Preview);
  if (label == kLabelPreview && !IsRunning()) {
    StartPreview();
  } else if (label == kLabelAbort) {
    StopPreview();
  } else if (label == kLabelContinue && !IsRunning()) {
    ContinueConversion();
  }
  PassOnQuit();
}

void ConversionController::StartPreview() {
  if (graph_.Is(GraphVariant::Conversion)) {
    if (RunWindowOpen()) {
      controls_.ShowMessage(kCloseConversionFirst, kWarningCaption);
      return;
    }
    graph_.Rebuild(GraphVariant::Preview);
  }
  controls_.SetButtonLabel(ActionButton::Preview, kLabelAbort);
  controls_.EnableButton(ActionButton::Convert, false);
  graph_.Graph().SetVideoCaption(kRunWindowCaption);
  RunPreview();
}

void ConversionController::StopPreview() {
  graph_.Graph().StopAll();
  controls_.EnableButton(ActionButton::Convert, true);
  controls_.SetButtonLabel(ActionButton::Preview, kLabelPreview);
  state_.previewStop = true;
  // The end poll would find the navigator stopped as well; ending here does not depend on it.
  EndSegment();
}

// No power-off test follows a continued run.
void ConversionController::ContinueConversion() {
  if (!TakeRunLock()) return;
  controls_.SetButtonLabel(ActionButton::Preview, kLabelPreview);
  controls_.EnableButton(ActionButton::Preview, false);
  state_.limitReached = false;
  RunConversion(state_.resumeTitle, state_.resumeChapter);
  runLock_.reset();
}

// A quit request that ended a run is handed on once the run has unwound, so that the
// application still ends even where the run's loop was the one that saw it.
void ConversionController::PassOnQuit() {
  if (!state_.quitPending || IsRunning()) return;
  state_.quitPending = false;
  if (pump_.QuitCode() >= 0) QCoreApplication::exit(pump_.QuitCode());
}

}  // namespace tarn::conv
