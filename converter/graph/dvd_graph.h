// The converter's one filter graph: the DVD navigator with the MPEG decoder and, for conversion,
// the two encoders and the PCM wrapper, all found by friendly name in the filter category and
// connected by the graph builder. Also every navigation call the converter makes, the transport
// (play, pause, stop) and the video window that shows the renderer.
//
// A video file opened as the source turns the graph into a file graph of the same variant: the
// file source in the navigator's place, the file one title whose chapters are the container's,
// and the same navigation calls answered from the file and played through the file source.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "converter/graph/descriptions_ahead.h"
#include "converter/graph/event_window.h"
#include "converter/graph/file_title.h"
#include "media/com/ComPtr.h"
#include "platform/navigator/dvd_interfaces.h"
#include "platform/navigator/line21_interfaces.h"
#include "media/graph/GraphInterfaces.h"
#include "platform/platform_interfaces.h"

namespace tarn::conv {

enum class GraphState { NoGraph, Stopped, NavigatorStopped, Running, Paused };

// Preview: navigator and decoder into the default renderers. Conversion: the same plus the video
// and audio encoders and the PCM wrapper, so that playing writes the movie and sound files.
enum class GraphVariant { Preview, Conversion };

// A modal message box with an OK button: text, caption.
using MessageBoxFunction = std::function<void(std::string_view text, std::string_view caption)>;

class CDvdGraph final : private EventWindowHandler {
 public:
  // `showMessage` shows the "DVD Error!" and "警告" boxes (they have no owner window).
  CDvdGraph(EventWindowFactory& windows, MessageBoxFunction showMessage);
  ~CDvdGraph();
  CDvdGraph(const CDvdGraph&) = delete;
  CDvdGraph& operator=(const CDvdGraph&) = delete;

  // Graph life. The first build (no graph yet) is Build; a switch of variant is a Rebuild, which
  // tears the old graph down first. False when the build or the options failed; the user has
  // seen any message already.
  bool Build(GraphVariant variant);
  bool RebuildForPreview();
  bool RebuildForConversion();
  void TearDownGraph();
  void ReleaseGraph();
  GraphState State() const { return state_; }

  // Source and navigation. In state NoGraph each fails without effect (E_FAIL / false / 0).
  // A video file (a file that is not named as part of a disc) is played through the file source;
  // anything else goes to the navigator.
  HRESULT OpenSource(std::string_view path);
  // Looks at files begun elsewhere, which OpenSource takes instead of looking again (the
  // command line starts them for its sources); none by default.
  void TakeLooksFrom(DescriptionsAhead* ahead) { ahead_ = ahead; }
  // Why the last OpenSource failed, in words; "" when it did not or nothing more is known.
  const std::string& SourceError() const { return sourceError_; }
  // True while the graph plays a video file rather than a disc.
  bool PlaysFile() const { return file_.has_value(); }
  bool OpenDrive();
  HRESULT GetSourceDirectory(std::string& directory);
  unsigned TitleCount();
  HRESULT ChapterCount(unsigned title, unsigned& count);
  bool PlayChapterInTitle(unsigned title, unsigned chapter);
  bool PlayChapters(unsigned title, unsigned chapter, unsigned count);
  bool IsNavigatorStopped();
  unsigned CurrentChapter();
  // How far into its title the navigator is (0 when it cannot say).
  std::chrono::seconds CurrentTitleTime();

  // Stream information and selection, passed through to the navigator.
  HRESULT GetCurrentAudio(ULONG& count, ULONG& current);
  HRESULT GetCurrentSubpicture(ULONG& count, ULONG& current, BOOL& disabled);
  HRESULT GetAudioLanguage(ULONG stream, LCID& language);
  HRESULT GetSubpictureLanguage(ULONG stream, LCID& language);
  HRESULT GetAudioAttributes(ULONG stream, DVD_AudioAttributes& attributes);
  HRESULT GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes& attributes);
  HRESULT SelectAudioStream(ULONG stream);
  HRESULT SelectSubpictureStream(ULONG stream);
  HRESULT SetSubpictureState(bool on);

  // Transport.
  HRESULT Play();
  HRESULT TogglePause();
  HRESULT StopAll();

  // The first failure a filter reported while streaming (an encoder that could not write its
  // file: a full disk), S_OK when none. Take reads the queued notices first and forgets it.
  HRESULT StreamError() const { return streamError_; }
  HRESULT TakeStreamError();
  // Called on the window's thread when a notice arrives that can end what plays (the
  // navigator stopping, a file played out, a filter failing), so that a run need not wait for
  // its next poll to notice. Empty to call nothing.
  void SetPlaybackEndNotice(std::function<void()> notice) { playbackEndNotice_ = std::move(notice); }

  // The video window of the current graph.
  void ShowVideoWindow();
  bool SetVideoCaption(std::string_view caption);
  bool GetVideoCaption(std::string& caption);  // at most 50 characters; false when empty
  EventWindow* VideoWindow() { return window_.get(); }

  // The graph itself, for callers that inspect it (tests, tools); null in state NoGraph.
  IGraphBuilder* Graph() const { return graph_.Get(); }

 private:
  // The message the graph's notices carry (the window message WM_USER + 100).
  static constexpr LONG kGraphNotifyMessage = 0x0400 + 100;

  void OnWindowSized() override;
  void OnWindowClosed() override;
  void OnGraphNotify() override;
  // Reads the queued notices, keeping what the converter needs; true when one of them can end
  // what plays.
  bool DrainNotices();

  // Release, create, populate, find the interfaces; false (after a message) when a DVD
  // interface, the media control, the seeking or the video window is missing.
  bool BuildGraph(GraphVariant variant);
  bool CreateGraphManager();
  bool FindDvdInterfaces();
  bool FindTransportAndWindow();
  // A new hidden window the renderer is made a child of, receiving the graph's notices.
  void CreateVideoWindow();
  void MakeRendererChildOf(EventWindow& window);
  void FitRendererToWindow();
  bool SetDvdOptions();
  void RemoveAllFilters();
  bool HasGraph() const { return state_ != GraphState::NoGraph; }

  // The file graph (file_playback.cpp).
  HRESULT OpenFile(platform::FileDescription description, std::optional<FileStamp> stamp);
  bool IsOpenAndUnchanged(const std::string& path, const std::optional<FileStamp>& stamp) const;
  HRESULT PlayFileFromStart();
  HRESULT OpenDisc(std::string_view path);
  bool DescribeFile(const std::string& path, const std::optional<FileStamp>& stamp,
                    platform::FileDescription& description);
  bool LeaveFile();
  bool RebuildKeepingWindow();
  bool BuildFileGraph(GraphVariant variant);
  // Stops the file graph for a change the file source takes only while stopped, then brings it
  // back to the state it was in; notices of the run before are dropped.
  HRESULT ChangeWhileStopped(const std::function<HRESULT()>& change);
  HRESULT FileChapterCount(unsigned title, unsigned& count);
  bool PlayFileChapters(unsigned title, unsigned chapter, unsigned count);
  bool FilePlayedOut();
  REFERENCE_TIME FilePosition();
  HRESULT SelectFileAudio(ULONG stream);
  HRESULT SelectFileSubtitle(ULONG stream);
  HRESULT SetFileSubtitleState(bool on);
  HRESULT ApplyFileSubtitles();

  EventWindowFactory& windows_;
  MessageBoxFunction showMessage_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaEventEx> events_;
  ComPtr<IDvdControl2> dvdControl_;
  ComPtr<IDvdInfo2> dvdInfo_;
  ComPtr<IMediaControl> mediaControl_;
  ComPtr<IMediaSeeking> seeking_;
  ComPtr<IVideoWindow> videoWindow_;
  ComPtr<IAMLine21Decoder> line21_;  // the closed-caption decoder, when the graph has one
  std::unique_ptr<EventWindow> window_;
  bool windowHidden_ = true;
  GraphState state_ = GraphState::NoGraph;
  HRESULT streamError_ = S_OK;
  std::function<void()> playbackEndNotice_;
  GraphVariant variant_ = GraphVariant::Preview;  // the variant last built

  std::optional<FileTitle> file_;  // the video file played instead of a disc
  ComPtr<ITarnFilePlayback> filePlayback_;
  PlayRange fileRange_;         // the part of the file the next run plays
  bool fileCompleted_ = false;  // every renderer has reached the end of the part played
  LONG fileSubtitle_ = -1;      // the subtitle stream the file source draws, -1 for none
  std::string sourceError_;
  DescriptionsAhead* ahead_ = nullptr;
};

}  // namespace tarn::conv
