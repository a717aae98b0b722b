// Opening a disc, playing chapters, following the playback and choosing streams: each passed to
// the navigator's interfaces, or answered by the file graph when a video file is the source.
// Without a graph every call fails and changes nothing.
#include <climits>

#include "converter/graph/dvd_graph.h"
#include "media/registry/TextConversion.h"

namespace tarn::conv {

// A path is taken whole up to the system's limit; one past it, or with a zero byte inside, could
// only name some other file, so it is refused before the navigator is touched.
HRESULT CDvdGraph::OpenSource(std::string_view path) {
  if (!HasGraph()) return E_FAIL;
  if (path.size() >= PATH_MAX || path.find('\0') != std::string_view::npos) return E_INVALIDARG;
  sourceError_.clear();
  const std::string named(path);
  if (NamesVideoFile(named)) {
    // Looking at a file reads into it (a program stream's first seconds are decoded): the file
    // playing is looked at again only when it has been written since.
    const std::optional<FileStamp> stamp = StampOf(named);
    if (IsOpenAndUnchanged(named, stamp)) return PlayFileFromStart();
    platform::FileDescription description;
    if (DescribeFile(named, stamp, description)) return OpenFile(std::move(description), stamp);
    // A file no video file reader takes may be a disc image by another name: the navigator tries
    // it before the file's refusal is told.
  }
  const std::string fileError = sourceError_;
  const HRESULT hr = OpenDisc(path);
  sourceError_ = FAILED(hr) ? fileError : std::string();
  return hr;
}

bool CDvdGraph::DescribeFile(const std::string& path, const std::optional<FileStamp>& stamp,
                             platform::FileDescription& description) {
  if (ahead_ != nullptr) {
    if (std::optional<LookedAtFile> looked = ahead_->Take(path, stamp)) {
      description = std::move(looked->description);
      sourceError_ = std::move(looked->error);
      return looked->described;
    }
  }
  return platform::DescribeVideoFile(path, description, sourceError_);
}

HRESULT CDvdGraph::OpenDisc(std::string_view path) {
  if (file_ && !LeaveFile()) return E_FAIL;
  if (SUCCEEDED(dvdControl_->Stop())) state_ = GraphState::NavigatorStopped;
  return dvdControl_->SetDVDDirectory(media::Utf8ToWide(path).c_str());
}

bool CDvdGraph::OpenDrive() {
  if (!HasGraph() || (file_ && !LeaveFile())) return false;
  return SUCCEEDED(dvdControl_->SetDVDDirectory(nullptr));
}

HRESULT CDvdGraph::GetSourceDirectory(std::string& directory) {
  if (!HasGraph()) return E_FAIL;
  if (file_) {
    directory = file_->Path();
    return S_OK;
  }
  std::wstring buffer(PATH_MAX, L'\0');
  ULONG length = 0;
  const HRESULT hr = dvdInfo_->GetDVDDirectory(buffer.data(), static_cast<ULONG>(buffer.size()), &length);
  if (FAILED(hr)) return hr;
  directory = media::WideToUtf8(buffer.c_str());
  return hr;
}

unsigned CDvdGraph::TitleCount() {
  if (!HasGraph()) return 0;
  if (file_) return 1;
  ULONG volumes = 0, volume = 0, titles = 0;
  DVD_DISC_SIDE side = DVD_SIDE_A;
  if (FAILED(dvdInfo_->GetDVDVolumeInfo(&volumes, &volume, &side, &titles))) return 0;
  return titles;
}

HRESULT CDvdGraph::ChapterCount(unsigned title, unsigned& count) {
  if (!HasGraph()) return E_FAIL;
  if (file_) return FileChapterCount(title, count);
  ULONG chapters = 0;
  const HRESULT hr = dvdInfo_->GetNumberOfChapters(title, &chapters);
  if (SUCCEEDED(hr)) count = chapters;
  return hr;
}

// A file tells its streams without playing: there is nothing to start.
bool CDvdGraph::PlayChapterInTitle(unsigned title, unsigned chapter) {
  if (HasGraph() && file_) return title == 1 && file_->HasChapters(chapter, 1);
  return HasGraph() && SUCCEEDED(dvdControl_->PlayChapterInTitle(title, chapter, DVD_CMD_FLAG_Block, nullptr));
}

// One segment of a conversion: the navigator stops by itself after the last chapter.
bool CDvdGraph::PlayChapters(unsigned title, unsigned chapter, unsigned count) {
  if (HasGraph() && file_) return PlayFileChapters(title, chapter, count);
  return HasGraph() &&
         SUCCEEDED(dvdControl_->PlayChaptersAutoStop(title, chapter, count, DVD_CMD_FLAG_SendEvents, nullptr));
}

// A navigator without a disc (the source could not be opened) plays nothing: it counts as
// stopped, so that a segment waiting for the stop ends instead of waiting for ever.
bool CDvdGraph::IsNavigatorStopped() {
  if (!HasGraph()) return false;
  if (file_) return FilePlayedOut();
  DVD_DOMAIN domain = DVD_DOMAIN_Title;
  const HRESULT hr = dvdInfo_->GetCurrentDomain(&domain);
  if (hr == VFW_E_DVD_INVALIDDOMAIN) return true;
  return SUCCEEDED(hr) && domain == DVD_DOMAIN_Stop;
}

unsigned CDvdGraph::CurrentChapter() {
  if (!HasGraph()) return 0;
  if (file_) return file_->ChapterAt(FilePosition());
  DVD_PLAYBACK_LOCATION2 location;
  if (FAILED(dvdInfo_->GetCurrentLocation(&location))) return 0;
  return location.ChapterNum;
}

std::chrono::seconds CDvdGraph::CurrentTitleTime() {
  if (!HasGraph()) return std::chrono::seconds(0);
  if (file_) return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::microseconds(FilePosition() / 10));
  DVD_PLAYBACK_LOCATION2 location;
  if (FAILED(dvdInfo_->GetCurrentLocation(&location))) return std::chrono::seconds(0);
  const DVD_HMSF_TIMECODE& time = location.TimeCode;
  return std::chrono::hours(time.bHours) + std::chrono::minutes(time.bMinutes) + std::chrono::seconds(time.bSeconds);
}

// ---- streams ----

HRESULT CDvdGraph::GetCurrentAudio(ULONG& count, ULONG& current) {
  if (HasGraph() && file_) {
    count = file_->AudioCount();
    current = file_->audioChoice;
    return S_OK;
  }
  return HasGraph() ? dvdInfo_->GetCurrentAudio(&count, &current) : E_FAIL;
}

HRESULT CDvdGraph::GetCurrentSubpicture(ULONG& count, ULONG& current, BOOL& disabled) {
  if (HasGraph() && file_) {
    count = file_->SubtitleCount();
    current = file_->subtitleChoice;
    disabled = file_->subtitlesOn ? FALSE : TRUE;
    return S_OK;
  }
  return HasGraph() ? dvdInfo_->GetCurrentSubpicture(&count, &current, &disabled) : E_FAIL;
}

HRESULT CDvdGraph::GetAudioLanguage(ULONG stream, LCID& language) {
  if (HasGraph() && file_) {
    if (stream >= file_->AudioCount()) return E_INVALIDARG;
    language = file_->AudioLanguage(stream);
    return S_OK;
  }
  return HasGraph() ? dvdInfo_->GetAudioLanguage(stream, &language) : E_FAIL;
}

HRESULT CDvdGraph::GetSubpictureLanguage(ULONG stream, LCID& language) {
  if (HasGraph() && file_) {
    if (stream >= file_->SubtitleCount()) return E_INVALIDARG;
    language = file_->SubtitleLanguage(stream);
    return S_OK;
  }
  return HasGraph() ? dvdInfo_->GetSubpictureLanguage(stream, &language) : E_FAIL;
}

HRESULT CDvdGraph::GetAudioAttributes(ULONG stream, DVD_AudioAttributes& attributes) {
  if (file_) return E_NOTIMPL;
  return HasGraph() ? dvdInfo_->GetAudioAttributes(stream, &attributes) : E_FAIL;
}

HRESULT CDvdGraph::GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes& attributes) {
  if (file_) return E_NOTIMPL;
  return HasGraph() ? dvdInfo_->GetSubpictureAttributes(stream, &attributes) : E_FAIL;
}

HRESULT CDvdGraph::SelectAudioStream(ULONG stream) {
  if (HasGraph() && file_) return SelectFileAudio(stream);
  return HasGraph() ? dvdControl_->SelectAudioStream(stream, DVD_CMD_FLAG_None, nullptr) : E_FAIL;
}

HRESULT CDvdGraph::SelectSubpictureStream(ULONG stream) {
  if (HasGraph() && file_) return SelectFileSubtitle(stream);
  return HasGraph() ? dvdControl_->SelectSubpictureStream(stream, DVD_CMD_FLAG_None, nullptr) : E_FAIL;
}

HRESULT CDvdGraph::SetSubpictureState(bool on) {
  if (HasGraph() && file_) return SetFileSubtitleState(on);
  return HasGraph() ? dvdControl_->SetSubpictureState(on ? TRUE : FALSE, DVD_CMD_FLAG_None, nullptr) : E_FAIL;
}

}  // namespace tarn::conv
