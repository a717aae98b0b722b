// The run part of the main window: the Convert and Preview actions with their button labels,
// conversion runs (single title or batch, chapter by chapter or joined) and preview runs, the
// segment loop with its nested event loop, the end poll, size poll and clock timers, and the
// power-off after a run.
//
// A run does not return until it ends. While a segment plays, every handler of the window (the
// actions themselves, the timers, the lists) runs re-entrantly inside it and talks back only
// through the flags of RunState.
#pragma once

#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "converter/engine/converter_controls.h"
#include "converter/engine/current_graph.h"
#include "converter/engine/output_size_poll.h"
#include "converter/engine/power_off.h"
#include "converter/engine/run_observer.h"
#include "converter/engine/run_state.h"
#include "converter/engine/segment_pump.h"
#include "converter/engine/work_list.h"
#include "base/conversion_lock.h"
#include "base/profile_file.h"

namespace tarn::conv {

// The video window's caption while a run uses it; the window resets it when the user closes it.
inline constexpr std::string_view kRunWindowCaption = "Tarn Media Video Window";

// Bytes written so far by both encoders.
using SizeProbe = std::function<std::int64_t()>;

class ConversionController {
 public:
  ConversionController(CurrentGraph& graph, ConverterControls& controls, WorkList& list, settings::ProfileFile profile,
                       PowerSwitch& power);
  ~ConversionController();
  ConversionController(const ConversionController&) = delete;
  ConversionController& operator=(const ConversionController&) = delete;

  // The Convert button: starts a run ("转换") or aborts one ("中止"); then powers the computer
  // off when the settings ask for it and the run ended by itself having converted something.
  void ConvertAction();
  // The Preview button: starts a preview ("预览"), stops it ("中止"), or continues a run that
  // the size limit stopped ("继续").
  void PreviewAction();

  const RunState& State() const { return state_; }
  bool IsRunning() const { return graph_.Busy(); }

  // Front ends that show more than the controls; null for none.
  void SetObserver(RunObserver* observer) { observer_ = observer; }
  // Replaces the encoders' size exports as the source of the size poll (tests stand in for
  // encoders that write more than a test disc gives).
  void SetSizeProbe(SizeProbe probe) { sizeProbe_ = std::move(probe); }
  // Where the running number is taken from, when not from the settings file the run works with
  // (a command line works on a private copy; the number still counts on in the user's file).
  void SetCounterFile(settings::ProfileFile counterFile) { counterFile_ = std::move(counterFile); }

 private:
  enum class Next { Segment, EndRun };

  // Actions (conversion_actions.cpp).
  void StoreDirtySettings(bool onlyWithSelection);
  bool RunWindowOpen();
  bool TakeRunLock();
  void StartConversion();
  void AbortConversion();
  void StartPreview();
  void StopPreview();
  void ContinueConversion();
  void PassOnQuit();

  // Runs (conversion_run.cpp).
  void RunConversion(std::size_t startTitle, unsigned startChapter);
  void RunPreview();
  TitleSelection Selection() const;
  std::vector<Segment> PlannedSegments(const std::vector<TitleStep>& steps, bool join) const;
  bool PrepareTitle(std::size_t position);
  void RestoreDisplayedTitle(std::size_t lastPrepared);
  Next ConvertSegment(std::size_t position, const Segment& segment);
  Next FinishConvertedSegment(const SegmentInfo& info, bool played, SegmentPump::End end);
  Next EndWithWriteFailure(const SegmentInfo& info, HRESULT failure);
  Next PreviewSegment(std::size_t position, const Segment& segment);
  bool PlaySegment(const CTitleEntry& entry, const Segment& segment);
  void SelectStreams(const CTitleEntry& entry);
  void EndSoundWithMovie(std::int64_t limitBytes = 0);
  void RecordSegment(const SegmentInfo& info, SegmentEnd how);
  void EndSegment();
  void Warn(std::string_view text);

  // Timers (run_timers.cpp).
  void StartTimers(bool conversion);
  void StopTimers();
  void OnEndPoll();
  void OnSizePoll();
  void OnClock();
  std::chrono::seconds Elapsed() const;
  bool ShowsCurrentTitle() const;

  CurrentGraph& graph_;
  ConverterControls& controls_;
  WorkList& list_;
  settings::ProfileFile profile_;
  std::optional<settings::ProfileFile> counterFile_;
  std::optional<settings::ConversionLock> runLock_;  // held while a conversion runs
  PowerSwitch& power_;
  RunObserver* observer_ = nullptr;
  SizeProbe sizeProbe_;
  EncoderLibraries libraries_;

  RunState state_;
  SegmentInfo playing_;  // the segment the timers report on
  int segmentNumber_ = 0;
  int segmentCount_ = 0;
  SegmentPump pump_;
  QTimer endPoll_;   // 50 ms: has the navigator stopped by itself?
  QTimer sizePoll_;  // 50 ms: the bytes both encoders have written, against the limit
  QTimer clock_;     // 1 s: the elapsed time on the chapter list
};

}  // namespace tarn::conv
