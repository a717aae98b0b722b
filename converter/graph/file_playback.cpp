// The file graph: a video file opened as the source, played chapter by chapter through the file
// source, its streams chosen there. The file source takes a new range or audio stream only while
// stopped, so a change made while the graph runs or is paused stops it and brings it back.
#include "converter/graph/dvd_graph.h"
#include "converter/graph/graph_population.h"
#include "media/dshow/EventCodes.h"

namespace tarn::conv {

// The same file again keeps its graph: stopped, it plays the whole file until told otherwise.
HRESULT CDvdGraph::OpenFile(platform::FileDescription description, std::optional<FileStamp> stamp) {
  if (file_ && filePlayback_ && file_->Path() == description.path) {
    file_->stamp = stamp;
    return PlayFileFromStart();
  }
  file_.emplace(std::move(description));
  file_->stamp = stamp;
  fileRange_ = {};
  return RebuildKeepingWindow() ? S_OK : VFW_E_INVALID_FILE_FORMAT;
}

// The file playing, and not written since it was looked at: looking again would find the same.
bool CDvdGraph::IsOpenAndUnchanged(const std::string& path, const std::optional<FileStamp>& stamp) const {
  return file_ && filePlayback_ && file_->Path() == path && stamp && file_->stamp == stamp;
}

HRESULT CDvdGraph::PlayFileFromStart() {
  StopAll();
  fileRange_ = {};
  return filePlayback_->SetPlayRange(0, 0);
}

bool CDvdGraph::LeaveFile() {
  file_.reset();
  return RebuildKeepingWindow();
}

// A run may open a file after a disc or a disc after a file: the window it shows goes on
// with its caption and shown as it was.
bool CDvdGraph::RebuildKeepingWindow() {
  const std::string caption = window_ ? window_->Caption() : std::string();
  const bool shown = window_ && !windowHidden_;
  TearDownGraph();
  const bool built = Build(variant_);
  if (window_) {
    window_->SetCaption(caption);
    if (shown) ShowVideoWindow();
  }
  return built;
}

bool CDvdGraph::BuildFileGraph(GraphVariant variant) {
  ComPtr<IBaseFilter> source;
  std::string error;
  if (FAILED(AddFileFilters(graph_.Get(), variant, file_->Path(), file_->audioChoice, showMessage_, source, error)) ||
      FAILED(QueryInterfaceAs(source.Get(), filePlayback_.ReleaseAndGetAddressOf()))) {
    sourceError_ = error.empty() ? file_->Path() + ": the file source cannot play it" : error;
    return false;
  }
  if (fileRange_.start != 0 || fileRange_.stop != 0) filePlayback_->SetPlayRange(fileRange_.start, fileRange_.stop);
  fileSubtitle_ = -1;
  ApplyFileSubtitles();
  fileCompleted_ = false;
  return true;
}

HRESULT CDvdGraph::ChangeWhileStopped(const std::function<HRESULT()>& change) {
  const GraphState before = state_;
  if (before == GraphState::Running || before == GraphState::Paused) mediaControl_->Stop();
  DrainNotices();
  fileCompleted_ = false;
  const HRESULT hr = change();
  if (before == GraphState::Running)
    mediaControl_->Run();
  else if (before == GraphState::Paused)
    mediaControl_->Pause();
  return hr;
}

HRESULT CDvdGraph::FileChapterCount(unsigned title, unsigned& count) {
  if (title != 1) return E_INVALIDARG;
  count = file_->ChapterCount();
  return S_OK;
}

bool CDvdGraph::PlayFileChapters(unsigned title, unsigned chapter, unsigned count) {
  if (title != 1 || !file_->HasChapters(chapter, count)) return false;
  const PlayRange range = file_->RangeOf(chapter, count);
  const HRESULT hr = ChangeWhileStopped([&] { return filePlayback_->SetPlayRange(range.start, range.stop); });
  if (FAILED(hr)) return false;
  fileRange_ = range;
  return true;
}

// A part has played out when every renderer has reached its end; a graph that does not run
// plays nothing, and one whose filter failed plays no further.
bool CDvdGraph::FilePlayedOut() {
  DrainNotices();
  return fileCompleted_ || FAILED(streamError_) || state_ != GraphState::Running;
}

// Into the file: where the range began and how far the run has got since.
REFERENCE_TIME CDvdGraph::FilePosition() {
  LONGLONG played = 0;
  if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&played)) || played < 0) played = 0;
  return fileRange_.start + played;
}

// The sound pin keeps the PCM it was connected with; a stream of another rate or channel count
// is connected anew, by a graph built with it, which plays the same part.
HRESULT CDvdGraph::SelectFileAudio(ULONG stream) {
  if (stream >= file_->AudioCount()) return E_INVALIDARG;
  if (stream == file_->audioChoice) return S_OK;
  const unsigned before = file_->audioChoice;
  HRESULT hr = ChangeWhileStopped([&] { return filePlayback_->SelectAudioStream(stream); });
  if (SUCCEEDED(hr)) {
    file_->audioChoice = stream;
    return hr;
  }
  if (hr != VFW_E_TYPE_NOT_ACCEPTED) return hr;
  const GraphState state = state_;
  file_->audioChoice = stream;
  if (!RebuildKeepingWindow()) {
    if (file_) file_->audioChoice = before;
    return hr;
  }
  if (state == GraphState::Running || state == GraphState::Paused) {
    hr = state == GraphState::Running ? mediaControl_->Run() : mediaControl_->Pause();
    if (SUCCEEDED(hr)) state_ = state;
  }
  return S_OK;
}

HRESULT CDvdGraph::SelectFileSubtitle(ULONG stream) {
  if (stream >= file_->SubtitleCount()) return E_INVALIDARG;
  file_->subtitleChoice = stream;
  return ApplyFileSubtitles();
}

HRESULT CDvdGraph::SetFileSubtitleState(bool on) {
  file_->subtitlesOn = on;
  return ApplyFileSubtitles();
}

// The file source draws the stream chosen while subtitles are on; it is told only of changes,
// each of which stops the graph for a moment.
HRESULT CDvdGraph::ApplyFileSubtitles() {
  const bool wanted = file_->subtitlesOn && file_->subtitleChoice < file_->SubtitleCount();
  const LONG stream = wanted ? static_cast<LONG>(file_->subtitleChoice) : -1;
  if (stream == fileSubtitle_) return S_OK;
  const HRESULT hr = ChangeWhileStopped([&] { return filePlayback_->SelectSubtitleStream(stream); });
  fileSubtitle_ = SUCCEEDED(hr) ? stream : -1;
  return hr;
}

}  // namespace tarn::conv
