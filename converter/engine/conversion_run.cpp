// Conversion and preview runs: the titles a run visits, the segments of each title, and one
// segment from its file names to its recorded result.
#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "converter/engine/conversion_controller.h"
#include "converter/engine/engine_messages.h"
#include "converter/engine/entry_settings.h"
#include "converter/engine/sound_end.h"
#include "converter/engine/translated_text.h"
#include "converter/settings/converter_settings.h"
#include "media/registry/FilterRegistry.h"

namespace tarn::conv {

namespace {

// Marks the graph busy for as long as a run plays through it.
class BusyGraph {
 public:
  explicit BusyGraph(CurrentGraph& graph) : graph_(graph) { graph_.SetBusy(true); }
  ~BusyGraph() { graph_.SetBusy(false); }
  BusyGraph(const BusyGraph&) = delete;
  BusyGraph& operator=(const BusyGraph&) = delete;

 private:
  CurrentGraph& graph_;
};

// What EndSoundWithMovie (below Qt) says when it cannot end a sound file with its movie.
constexpr std::array kSoundEndProblems{
    TrNoop("cannot end the sound file %1 with its movie: %2"),
    TrNoop("cannot read the movie file %1"),
    TrNoop("cannot load %1"),
    TrNoop("%1 cannot end a sound file early (it has no %2)"),
    TrNoop("cannot cut the movie file %1 to the size limit: %2"),
};

}  // namespace

namespace {

// A failure an encoder reported: the system's words for the errno inside, when there is one.
std::string FailureText(HRESULT failure) {
  const auto code = static_cast<std::uint32_t>(failure);
  if ((code & 0xFFFF0000u) == 0x80070000u) return TrLower(std::strerror(static_cast<int>(code & 0xFFFFu)));
  char text[32];
  std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(code));
  return text;
}

// A source without sound (a video file may have none) leaves the sound file its segment claimed
// empty: the movie goes alone, and no empty file is left to look like output.
bool Soundless(CDvdGraph& graph, const std::string& soundFile) {
  ULONG streams = 0, current = 0;
  std::error_code error;
  return SUCCEEDED(graph.GetCurrentAudio(streams, current)) && streams == 0 &&
         std::filesystem::file_size(soundFile, error) == 0 && !error;
}

}  // namespace

void ConversionController::Warn(std::string_view text) { controls_.ShowMessage(text, kWarning); }

TitleSelection ConversionController::Selection() const {
  TitleSelection selection;
  selection.titleCount = list_.TitleCount();
  selection.titleFlags = &list_.titleFlags;
  selection.selectedPosition = list_.selectedPosition;
  selection.displayedPosition = list_.displayedPosition;
  selection.displayedChecked = list_.displayedPosition >= 0 && controls_.IsTitleChecked(list_.displayedPosition);
  return selection;
}

bool ConversionController::PrepareTitle(std::size_t position) {
  state_.currentTitlePosition = position;
  const CTitleEntry* entry = list_.At(position);
  if (entry == nullptr) return false;
  if (const std::error_code error = RestoreEntry(*entry, list_, controls_, profile_)) {
    // The encoders would read another title's settings.
    Warn(Tr("Cannot write the settings file %1: %2", profile_.path().string(), TrLower(error.message())));
    return false;
  }
  if (FAILED(graph_.Graph().OpenSource(list_.currentSource))) {
    // Nothing of this title could play; writing empty files for it would only look like output.
    const std::string& why = graph_.Graph().SourceError();
    Warn(why.empty() ? Tr("Cannot open the DVD source %1; its title is passed over.", list_.currentSource)
                     : Tr("Cannot open %1; its title is passed over.", TrLower(why)));
    return false;
  }
  graph_.Graph().ShowVideoWindow();
  return true;
}

// After a batch the settings in force are those of the last title converted; the displayed
// title's are put back, so that edits of the displayed title are never stored into another.
void ConversionController::RestoreDisplayedTitle(std::size_t lastPrepared) {
  const CTitleEntry* displayed = list_.Displayed();
  if (displayed == nullptr || static_cast<int>(lastPrepared) == list_.displayedPosition) return;
  RestoreEntry(*displayed, list_, controls_, profile_);
}

// The segments the run will convert, as the titles' chapter ticks stand when it begins. The
// displayed title's ticks are in the list's chapter flags; every other title keeps its own.
std::vector<Segment> ConversionController::PlannedSegments(const std::vector<TitleStep>& steps, bool join) const {
  std::vector<Segment> planned;
  for (const TitleStep& step : steps) {
    const CTitleEntry* entry = list_.At(step.position);
    if (entry == nullptr) continue;
    const ChapterFlags& flags =
        static_cast<int>(step.position) == list_.displayedPosition ? list_.chapterFlags : entry->chapterSelection;
    for (const Segment& segment : PlanSegments(flags, entry->chapterCount, step.firstChapter, join))
      planned.push_back(segment);
  }
  return planned;
}

void ConversionController::RunConversion(std::size_t startTitle, unsigned startChapter) {
  const std::optional<RunSwitches> switches = ReadRunSwitches(profile_, RunKind::Conversion);
  if (!switches) return;

  state_.switches = *switches;
  const std::vector<TitleStep> steps =
      PlanTitles(Selection(), *switches, RunKind::Conversion, startTitle, startChapter);
  if (steps.empty()) return;
  BusyGraph busy(graph_);
  if (!sizeProbe_) libraries_ = FindEncoderLibraries(media::FilterRegistry());
  const std::vector<Segment> planned = PlannedSegments(steps, switches->join);
  segmentNumber_ = 0;
  segmentCount_ = static_cast<int>(planned.size());
  if (observer_ != nullptr) {
    unsigned chapters = 0;
    for (const Segment& segment : planned) chapters += segment.chapterCount;
    observer_->RunPlanned(chapters);
  }
  bool ended = false;
  std::size_t prepared = steps.front().position;
  for (const TitleStep& step : steps) {
    if (switches->batch) list_.selectedPosition = static_cast<int>(step.position);
    prepared = step.position;
    if (!PrepareTitle(step.position)) {
      if (!switches->batch) break;
      continue;
    }
    const unsigned chapters = list_.At(step.position)->chapterCount;
    for (const Segment& segment : PlanSegments(list_.chapterFlags, chapters, step.firstChapter, switches->join)) {
      if (ConvertSegment(step.position, segment) == Next::EndRun) {
        ended = true;
        break;
      }
    }
    if (ended) break;
  }
  // The selection followed the batch to the end of the list.
  if (switches->batch && !ended) list_.selectedPosition = static_cast<int>(list_.TitleCount()) - 1;
  RestoreDisplayedTitle(prepared);
}

ConversionController::Next ConversionController::ConvertSegment(std::size_t position, const Segment& segment) {
  // A title deleted while the previous segment played ends the run.
  if (list_.At(position) == nullptr) return Next::EndRun;
  const CTitleEntry& entry = *list_.At(position);
  CDvdGraph& graph = graph_.Graph();
  state_.segmentDone = false;
  state_.currentChapterIndex = segment.firstChapter - 1;
  SegmentInfo info{position, entry.titleNumber, segment.firstChapter, segment.chapterCount,
                   {},       ++segmentNumber_,  segmentCount_};
  // A title clicked during the run has put its own settings in force; the playing title keeps
  // its own until its last segment.
  const bool clickedAway = !ShowsCurrentTitle();
  if (clickedAway) {
    if (const std::error_code error = WriteEntrySettings(entry, profile_)) {
      Warn(Tr("Cannot write the settings file %1: %2", profile_.path().string(), TrLower(error.message())));
      return Next::EndRun;
    }
  }
  const std::string& folder = clickedAway ? entry.outputFolder : list_.outputFolder;
  const settings::ProfileFile& counterFile = counterFile_ ? *counterFile_ : profile_;
  const ClaimedNames claimed =
      ClaimOutputNames(counterFile, profile_, folder, entry.titleNumber, static_cast<int>(segment.firstChapter));
  if (claimed.error) {
    // The encoders would overwrite the files named last.
    Warn(Tr("Cannot write the settings file %1: %2", profile_.path().string(), TrLower(claimed.error.message())));
    return Next::EndRun;
  }
  info.names = claimed.names;
  if (claimed.passed > 0 && observer_ != nullptr) observer_->NamesPassed(info, claimed.passed);
  playing_ = info;
  graph.TakeStreamError();  // a failure of an earlier segment is not this one's
  // The streams are chosen before the graph runs: it runs faster than real time, so a choice
  // made after Play would leave the segment's first seconds in the previous stream. A video
  // file takes its range and streams while stopped, so they are given before the pause (given
  // after it, they would stop the graph and start the encoders a second time); the navigator
  // takes them once the graph has left the stopped state.
  const bool file = graph.PlaysFile();
  bool played = file && PlaySegment(entry, segment);
  // Leaving the stopped state is when the encoders read the settings and open their files.
  graph.TogglePause();
  if (observer_ != nullptr) observer_->SegmentStarted(info);
  if (!file) played = PlaySegment(entry, segment);
  graph.Play();
  state_.currentChapterNumber = segment.firstChapter;
  state_.segmentStart = std::chrono::steady_clock::now();
  SegmentPump::End end = SegmentPump::End::Finished;
  if (played) {
    StartTimers(true);
    end = pump_.Run();
    StopTimers();
  }
  return FinishConvertedSegment(info, played, end);
}

ConversionController::Next ConversionController::FinishConvertedSegment(const SegmentInfo& info, bool played,
                                                                        SegmentPump::End end) {
  CDvdGraph& graph = graph_.Graph();
  // The sound path of such a source is not in the graph: nothing writes the file.
  if (Soundless(graph, info.names.sound)) {
    std::error_code error;
    std::filesystem::remove(info.names.sound, error);
  }
  if (end == SegmentPump::End::QuitRequested) {
    state_.abortRequested = true;
    state_.quitRequested = true;
    state_.quitPending = true;
    // Stopped so that both encoders finish their files before the program ends.
    graph.StopAll();
    if (played) EndSoundWithMovie();
    RecordSegment(info, SegmentEnd::Aborted);
    return Next::EndRun;
  }
  if (const HRESULT failure = graph.TakeStreamError(); FAILED(failure)) {
    graph.StopAll();
    return EndWithWriteFailure(info, failure);
  }
  if (state_.limitReached) {
    const unsigned current = graph.CurrentChapter();
    const bool inSegment = current >= info.firstChapter && current < info.firstChapter + info.chapterCount;
    state_.resumeChapter = inSegment ? current : info.firstChapter;
    state_.resumeTitle = info.titlePosition + 1;
    graph.StopAll();
    if (played) EndSoundWithMovie(list_.activeSizeLimit);
    RecordSegment(info, SegmentEnd::SizeLimit);
    controls_.EnableButton(ActionButton::Preview, true);
    controls_.SetButtonLabel(ActionButton::Preview, kLabelContinue);
    return Next::EndRun;
  }
  if (state_.abortRequested) {
    graph.StopAll();
    if (played) EndSoundWithMovie();
    RecordSegment(info, SegmentEnd::Aborted);
    return Next::EndRun;
  }
  // Stopped first: the encoders finish their files then, and a write that fails at the end
  // must not be recorded as converted.
  graph.StopAll();
  if (const HRESULT failure = graph.TakeStreamError(); FAILED(failure)) return EndWithWriteFailure(info, failure);
  RecordSegment(info, played ? SegmentEnd::PlayedOut : SegmentEnd::NotPlayed);
  if (played) ++state_.segmentsConverted;
  return Next::Segment;
}

// The graph is stopped, so both files are finished with what was written whole; neither is
// recorded as a result, and no later segment writes into a full disk.
ConversionController::Next ConversionController::EndWithWriteFailure(const SegmentInfo& info, HRESULT failure) {
  RecordSegment(info, SegmentEnd::WriteFailed);
  Warn(Tr("Cannot write %1 or %2: %3; the conversion stops", info.names.movie, info.names.sound, FailureText(failure)));
  return Next::EndRun;
}

void ConversionController::RecordSegment(const SegmentInfo& info, SegmentEnd how) {
  if (how == SegmentEnd::WriteFailed) {
    state_.currentSizeText = "0";
    controls_.SetCurrentSizeText(state_.currentSizeText);
    if (observer_ != nullptr) observer_->SegmentEnded(info, how, ChapterResult{});
    return;
  }
  if (ShowsCurrentTitle())
    controls_.SetChapterCell(static_cast<int>(state_.currentChapterNumber) - 1, ChapterColumn::Size,
                             state_.currentSizeText);
  RecordResult(list_, info.titlePosition, state_.currentChapterIndex, Elapsed(), profile_, state_.currentSizeText);
  state_.currentSizeText = "0";
  controls_.SetCurrentSizeText(state_.currentSizeText);
  if (observer_ == nullptr) return;
  const CTitleEntry* entry = list_.At(info.titlePosition);
  observer_->SegmentEnded(info, how, entry != nullptr ? entry->results[state_.currentChapterIndex] : ChapterResult{});
}

// The segment's chapters with the streams chosen for them; false when they cannot play.
bool ConversionController::PlaySegment(const CTitleEntry& entry, const Segment& segment) {
  const bool played =
      graph_.Graph().PlayChapters(static_cast<unsigned>(entry.titleNumber), segment.firstChapter, segment.chapterCount);
  SelectStreams(entry);
  return played;
}

// The lists show the playing title's choices unless another title has been clicked since. A
// title may lack a stream that the lists (those of the source's first title) offer: the
// navigator then keeps its own choice, and the user hears of it.
void ConversionController::SelectStreams(const CTitleEntry& entry) {
  const int titleNumber = entry.titleNumber;
  CDvdGraph& graph = graph_.Graph();
  const bool shown = ShowsCurrentTitle();
  const int subtitle = shown ? controls_.SubtitleSelection() : entry.subtitleChoice;
  if (subtitle > 0) {
    graph.SetSubpictureState(true);
    if (FAILED(graph.SelectSubpictureStream(static_cast<ULONG>(subtitle - 1))))
      Warn(Tr("WARNING: title %1 has no subtitle stream %2; it is converted without it.", titleNumber, subtitle));
  } else {
    // "No subtitles" must not keep the previous title's subtitles on.
    graph.SetSubpictureState(false);
  }
  const int audio = shown ? controls_.AudioSelection() : entry.audioChoice;
  ULONG audioStreams = 0, currentAudio = 0;
  // A video file may have no sound at all: there is nothing to choose.
  if (SUCCEEDED(graph.GetCurrentAudio(audioStreams, currentAudio)) && audioStreams == 0) return;
  if (audio < 0)
    Warn(kNoAudioSelection);
  else if (FAILED(graph.SelectAudioStream(static_cast<ULONG>(audio))))
    Warn(Tr("WARNING: title %1 has no audio stream %2; its sound comes from another of its streams.", titleNumber,
            audio + 1));
}

// The encoders have finished their files (the graph is stopped): the sound, decoded ahead of
// the pictures, is cut back to where the movie ends, and after a size-limit stop the pair to
// the limit.
void ConversionController::EndSoundWithMovie(std::int64_t limitBytes) {
  const std::string movie = settings::ReadText(profile_, settings::keys::kMovieFileName);
  const std::string sound = settings::ReadText(profile_, settings::keys::kSoundFileName);
  std::error_code error;
  if (!std::filesystem::exists(sound, error)) return;
  const std::string library = FindEncoderLibraries(media::FilterRegistry()).audio;
  if (std::string problem = conv::EndSoundWithMovie(library, movie, sound, limitBytes); !problem.empty())
    Warn(text::TextByPattern("tarnconv", problem, kSoundEndProblems)
             .value_or(QString::fromStdString(problem))
             .toStdString());
}

void ConversionController::EndSegment() {
  state_.segmentDone = true;
  pump_.Finish();
}

void ConversionController::RunPreview() {
  const std::optional<RunSwitches> switches = ReadRunSwitches(profile_, RunKind::Preview);
  if (!switches) return;
  // A stop pressed after the last preview ended by itself must not cut this one short.
  state_.previewStop = false;
  const std::vector<TitleStep> steps = PlanTitles(Selection(), *switches, RunKind::Preview, 1, 1);
  if (steps.empty()) return;
  BusyGraph busy(graph_);
  std::size_t prepared = steps.front().position;
  for (const TitleStep& step : steps) {
    prepared = step.position;
    if (!PrepareTitle(step.position)) {
      if (!switches->batch) break;
      continue;
    }
    const unsigned chapters = list_.At(step.position)->chapterCount;
    bool ended = false;
    for (const Segment& segment : PlanSegments(list_.chapterFlags, chapters, 1, switches->join)) {
      if (PreviewSegment(step.position, segment) == Next::EndRun) {
        ended = true;
        break;
      }
    }
    if (ended) break;
  }
  RestoreDisplayedTitle(prepared);
}

ConversionController::Next ConversionController::PreviewSegment(std::size_t position, const Segment& segment) {
  const CTitleEntry* entry = list_.At(position);
  if (entry == nullptr) return Next::EndRun;
  CDvdGraph& graph = graph_.Graph();
  graph.Play();
  state_.segmentDone = false;
  const bool played =
      graph.PlayChapters(static_cast<unsigned>(entry->titleNumber), segment.firstChapter, segment.chapterCount);
  SelectStreams(*entry);
  if (played) {
    StartTimers(false);
    const SegmentPump::End end = pump_.Run();
    StopTimers();
    if (end == SegmentPump::End::QuitRequested) {
      state_.quitRequested = true;
      state_.quitPending = true;
      graph.StopAll();
      return Next::EndRun;
    }
  }
  if (state_.previewStop) {
    state_.previewStop = false;
    return Next::EndRun;
  }
  return Next::Segment;
}

}  // namespace tarn::conv
