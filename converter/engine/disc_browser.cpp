#include "converter/engine/disc_browser.h"

#include <algorithm>

#include "converter/engine/engine_messages.h"
#include "converter/engine/entry_settings.h"
#include "converter/engine/language_names.h"
#include "converter/engine/translated_text.h"
#include "converter/engine/work_list_editing.h"

namespace tarn::conv {

namespace {
constexpr std::string_view kNoSubtitles = "无字幕";  // no subtitles
}  // namespace

DiscBrowser::DiscBrowser(CurrentGraph& graph, ConverterControls& controls, WorkList& list,
                         settings::ProfileFile profile)
    : graph_(graph), controls_(controls), list_(list), profile_(std::move(profile)) {}

void DiscBrowser::Warn(std::string_view text) { controls_.ShowMessage(text, kWarning); }

void DiscBrowser::StoreDirtySettings() {
  if (!list_.settingsDirty || list_.selectedPosition < 0) return;
  if (CTitleEntry* displayed = list_.Displayed()) SnapshotEntry(list_, controls_, profile_, *displayed);
  list_.settingsDirty = false;
}

// Adding titles plays the navigator, which must not disturb a run. A run stopped by the size
// limit still owns the conversion graph and the selection: "继续" goes on through both.
bool DiscBrowser::RefuseWhileBusy() {
  if (graph_.Busy()) {
    Warn("A conversion or preview is running; stop it before adding titles.");
    return true;
  }
  if (WaitsForContinue()) {
    Warn(Tr("The size limit stopped the conversion; press \"%1\" or \"%2\" before adding titles.", "继续", "中止"));
    return true;
  }
  return false;
}

bool DiscBrowser::WaitsForContinue() const { return controls_.ButtonLabel(ActionButton::Preview) == kLabelContinue; }

// A run finds its titles by their place in the list: none may move while a run plays or waits
// to continue.
bool DiscBrowser::DeleteTitle() {
  if (list_.selectedPosition < 0) return false;
  if (graph_.Busy() || WaitsForContinue()) {
    Warn(Tr("Titles cannot be deleted while a conversion or preview is running or waits for \"%1\".", "继续"));
    return false;
  }
  return DeleteSelectedTitle(list_, controls_);
}

// Nor may it play through the conversion graph, whose encoders would open (and empty) the
// files named last.
void DiscBrowser::LeaveConversionGraph() {
  if (graph_.Is(GraphVariant::Conversion)) graph_.Rebuild(GraphVariant::Preview);
}

std::size_t DiscBrowser::Open() {
  StoreDirtySettings();
  if (RefuseWhileBusy()) return 0;
  const std::optional<std::string> path = controls_.ChooseSourceFile();
  if (!path) return 0;
  return AddSource(*path);
}

std::size_t DiscBrowser::OpenPath(const std::string& path) {
  StoreDirtySettings();
  if (RefuseWhileBusy()) return 0;
  return AddSource(path);
}

std::size_t DiscBrowser::AddSource(const std::string& path) {
  LeaveConversionGraph();
  list_.currentSource = path;
  if (FAILED(graph_.Graph().OpenSource(list_.currentSource))) {
    // The navigator may still hold the previous disc; its titles must not come in again under
    // this path. A video file says why it cannot be read.
    const std::string& why = graph_.Graph().SourceError();
    Warn(why.empty() ? Tr("Cannot open the DVD source %1", list_.currentSource) : Tr("Cannot open %1", TrLower(why)));
    return 0;
  }
  return AddTitles();
}

std::size_t DiscBrowser::OpenDrive() {
  StoreDirtySettings();
  if (RefuseWhileBusy()) return 0;
  LeaveConversionGraph();
  if (!graph_.Graph().OpenDrive()) return 0;
  std::string directory;
  graph_.Graph().GetSourceDirectory(directory);
  list_.currentSource = directory;
  return AddTitles();
}

std::size_t DiscBrowser::AddTitles() {
  CDvdGraph& graph = graph_.Graph();
  // The navigator reports its streams only once it plays. A video file tells them from its
  // description: pausing would only decode pictures nobody sees, and leave the file source read
  // into, so that the conversion graph could not take over its look at the file.
  if (!graph.PlaysFile()) graph.TogglePause();
  graph.PlayChapterInTitle(1, 1);
  BuildSubtitleList();
  BuildAudioList();
  const unsigned titles = graph.TitleCount();
  list_.chapterFlags.fill(0);
  // The chapter rows shown belong to an earlier title; ticks in them must not reach the new
  // titles, which become the displayed ones.
  controls_.ClearChapterRows();
  list_.displayedChapterCount = 0;
  std::size_t added = 0;
  for (unsigned title = 1; title <= titles; ++title) {
    if (!AppendTitle(title)) {
      Warn(Tr("The title list is full; the remaining titles of this source were not added."));
      break;
    }
    ++added;
  }
  graph.StopAll();
  return added;
}

std::optional<DiscBrowser::StreamCounts> DiscBrowser::TitleStreams(const CTitleEntry& entry) {
  CDvdGraph& graph = graph_.Graph();
  // The graph holds the source added last, which need not be the entry's.
  if (FAILED(graph.OpenSource(entry.source))) return std::nullopt;
  if (!graph.PlaysFile()) graph.TogglePause();
  std::optional<StreamCounts> counts;
  ULONG audio = 0, subpictures = 0, current = 0;
  BOOL disabled = FALSE;
  if (graph.PlayChapterInTitle(static_cast<unsigned>(entry.titleNumber), 1) &&
      SUCCEEDED(graph.GetCurrentAudio(audio, current)) &&
      SUCCEEDED(graph.GetCurrentSubpicture(subpictures, current, disabled)))
    counts = StreamCounts{static_cast<unsigned>(audio), static_cast<unsigned>(subpictures)};
  graph.StopAll();
  return counts;
}

bool DiscBrowser::AppendTitle(unsigned title) {
  const int position = static_cast<int>(list_.TitleCount());
  list_.selectedPosition = position;
  unsigned chapters = 0;
  graph_.Graph().ChapterCount(title, chapters);
  chapters = std::min<unsigned>(chapters, kMaxChapters);
  CTitleEntry* entry = list_.Append();
  if (entry == nullptr) {
    list_.selectedPosition = position - 1;
    return false;
  }
  std::fill_n(list_.chapterFlags.begin(), chapters, std::uint8_t{1});
  SnapshotEntry(list_, controls_, profile_, *entry);
  entry->chapterCount = chapters;
  entry->titleNumber = static_cast<int>(title);
  // The row is appended ticked; its check change makes the title take part with exactly its
  // own chapters.
  controls_.AppendTitleRow(TitleRowText(static_cast<int>(title)), true);
  TitleCheckChanged(list_, controls_, position, false, true);
  list_.selectedPosition = position;
  list_.displayedPosition = position;
  list_.settingsDirty = false;
  return true;
}

void DiscBrowser::BuildSubtitleList() {
  CDvdGraph& graph = graph_.Graph();
  controls_.ClearSubtitles();
  ULONG count = 0, current = 0;
  BOOL disabled = FALSE;
  if (FAILED(graph.GetCurrentSubpicture(count, current, disabled))) {
    Warn(kNoLanguageInformation);
    count = 0;
  }
  subpictureCount_ = static_cast<unsigned>(count);
  currentSubpicture_ = static_cast<unsigned>(current);
  controls_.AppendSubtitle(kNoSubtitles);
  if (count == 0) return;
  for (ULONG stream = 0; stream < count; ++stream) {
    LCID language = 0;
    if (FAILED(graph.GetSubpictureLanguage(stream, language))) Warn(kSubpictureLanguageFailed);
    controls_.AppendSubtitle(LanguageName(language));
  }
  // The entry at the stream's number, as the list has always been selected.
  controls_.SelectSubtitle(static_cast<int>(current));
  if (controls_.SubtitleSelection() != static_cast<int>(current)) controls_.SelectSubtitle(0);
}

void DiscBrowser::BuildAudioList() {
  CDvdGraph& graph = graph_.Graph();
  controls_.ClearAudioStreams();
  ULONG count = 0, current = 0;
  if (FAILED(graph.GetCurrentAudio(count, current))) {
    Warn(kNoLanguageInformation);
    count = 0;
  }
  audioCount_ = static_cast<unsigned>(count);
  currentAudio_ = static_cast<unsigned>(current);
  if (count == 0) return;
  for (ULONG stream = 0; stream < count; ++stream) {
    LCID language = 0;
    if (FAILED(graph.GetAudioLanguage(stream, language))) Warn(kAudioLanguageFailed);
    controls_.AppendAudioStream(LanguageName(language));
  }
  controls_.SelectAudioStream(static_cast<int>(current));
  if (controls_.AudioSelection() != static_cast<int>(current)) controls_.SelectAudioStream(0);
}

void DiscBrowser::AudioSelectionChanged() {
  list_.settingsDirty = true;
  const int selection = controls_.AudioSelection();
  if (selection < 0) {
    Warn(kNoAudioSelection);
    return;
  }
  currentAudio_ = static_cast<unsigned>(selection);
  graph_.Graph().SelectAudioStream(currentAudio_);
}

void DiscBrowser::SubtitleSelectionChanged() {
  list_.settingsDirty = true;
  CDvdGraph& graph = graph_.Graph();
  const int selection = controls_.SubtitleSelection();
  if (selection == 0) {
    graph.SetSubpictureState(false);
    return;
  }
  graph.SetSubpictureState(true);
  if (selection < 0) {
    Warn(kNoSubpictureSelection);
    return;
  }
  currentSubpicture_ = static_cast<unsigned>(selection - 1);
  graph.SelectSubpictureStream(currentSubpicture_);
}

}  // namespace tarn::conv
