// "DVD Navigator": a source filter that opens a DVD-Video disc, answers what it holds through
// IDvdInfo2 and plays chapters through IDvdControl2.
//
// Outputs: "Video" (MPEG-2 elementary stream), "AC3" (the selected audio stream, AC-3, MPEG audio
// or LPCM as the disc has it; when a later title's audio is in another codec than the output was
// connected with, the first sample in it carries the new media type) and "SubPicture" (units of the selected subpicture
// stream). One playback thread reads the disc, demultiplexes it and delivers on all three pins, so their samples leave
// in the order of the multiplex.
//
// Timeline: every run of chapters starts at 0 with its first picture, in 100 ns units, and never
// jumps back across cells, chapters or source files. Audio multiplexed before the first picture
// has negative times; audio of the run's last moments is read from past its end, and audio that
// starts after the last picture is dropped. A run ends with EndOfStream on every connected pin,
// after which the domain reads DVD_DOMAIN_Stop. Each run begins with NewSegment from 0 to the run's
// length on the timeline (taken from the cells' navigation packs), so that the audio encoder
// ends the sound exactly with the last picture.
//
// Play commands given while the filter is stopped wait for the graph to pause or run.
#pragma once

#include <atomic>
#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "media/base/BaseFilter.h"
#include "platform/navigator/dvd_interfaces.h"
#include "platform/dvd/dvd_session.h"
#include "platform/dvd/ps_demuxer.h"
#include "platform/navigator/navigator_interfaces.h"
#include "platform/navigator/navigator_output_pin.h"

namespace tarn::navigator {

// IMediaFilter::Stop and IDvdControl2::Stop have one signature; these two give each its own body.
class StoppableFilter : public CBaseFilter {
 public:
  using CBaseFilter::CBaseFilter;
  HRESULT Stop() final { return StopFilter(); }
  virtual HRESULT StopFilter() = 0;
};
struct DvdControl : IDvdControl2 {
  HRESULT Stop() final { return StopPlayback(); }
  virtual HRESULT StopPlayback() = 0;
};

class DvdNavigator final : public StoppableFilter, public DvdControl, public IDvdInfo2, public ITarnNavigatorStatus {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  DvdNavigator(IUnknown* outer, HRESULT* phr);
  ~DvdNavigator() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  int GetPinCount() override { return 3; }
  CBasePin* GetPin(int n) override;

  HRESULT StopFilter() override;
  HRESULT Pause() override;

  // The type an output offers: from the disc's first title, or a DVD's usual streams without one.
  bool OutputType(NavigatorStream stream, CMediaType* type);

  // IDvdControl2
  HRESULT SetDVDDirectory(LPCWSTR path) override;
  HRESULT PlayChapterInTitle(ULONG title, ULONG chapter, DWORD flags, IDvdCmd** command) override;
  HRESULT PlayChaptersAutoStop(ULONG title, ULONG chapter, ULONG count, DWORD flags, IDvdCmd** command) override;
  HRESULT PlayForwards(double speed, DWORD flags, IDvdCmd** command) override;
  HRESULT StopPlayback() override;  // IDvdControl2::Stop
  HRESULT SelectAudioStream(ULONG stream, DWORD flags, IDvdCmd** command) override;
  HRESULT SelectSubpictureStream(ULONG stream, DWORD flags, IDvdCmd** command) override;
  HRESULT SetSubpictureState(BOOL on, DWORD flags, IDvdCmd** command) override;
  HRESULT SetOption(DVD_OPTION_FLAG option, BOOL on) override;

  // IDvdInfo2
  HRESULT GetCurrentDomain(DVD_DOMAIN* domain) override;
  HRESULT GetCurrentLocation(DVD_PLAYBACK_LOCATION2* location) override;
  HRESULT GetCurrentAudio(ULONG* available, ULONG* current) override;
  HRESULT GetCurrentSubpicture(ULONG* available, ULONG* current, BOOL* disabled) override;
  HRESULT GetAudioLanguage(ULONG stream, LCID* language) override;
  HRESULT GetSubpictureLanguage(ULONG stream, LCID* language) override;
  HRESULT GetAudioAttributes(ULONG stream, DVD_AudioAttributes* attributes) override;
  HRESULT GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attributes) override;
  HRESULT GetDVDVolumeInfo(ULONG* volumes, ULONG* volume, DVD_DISC_SIDE* side, ULONG* titles) override;
  HRESULT GetNumberOfChapters(ULONG title, ULONG* chapters) override;
  HRESULT GetDVDDirectory(LPWSTR path, ULONG size, ULONG* actual) override;

  // ITarnNavigatorStatus
  HRESULT GetLastErrorText(char* buffer, ULONG size) override;

 private:
  struct PlayRequest {
    int title = 0;
    int chapter = 0;
    int count = 0;  // 0: to the end of the title
    bool sendEvents = false;
  };

  HRESULT RequestPlay(const PlayRequest& request);
  HRESULT StartRunLocked();
  void EndThread();
  // Ends a run that is delivering: a flush releases samples a paused renderer holds.
  void AbortRunLocked();
  void SetPending(std::optional<PlayRequest> request);
  void PlaybackThread(PlayRequest request);
  void StartSegment(std::optional<int64_t> length);
  void DeliverPacket(const dvd::ElementaryPacket& packet);
  void SendPalette(const std::array<uint32_t, 16>& palette);
  void SendSubpictureState();
  void FinishRun(const std::string& error, bool autoStop, bool sendEvents);
  int ConnectedAudioKind();
  bool FollowAudioCodec(int id);
  // Under sessionMutex_: the title whose streams are chosen and the streams' multiplex ids.
  void SelectTitleLocked(int title);
  void UpdateSelectionLocked();
  const dvd::TitleInfo* CurrentTitleLocked() const;
  void SetError(std::string text);

  CCritSec filterLock_;
  std::unique_ptr<NavigatorOutputPin> video_;
  std::unique_ptr<NavigatorOutputPin> audio_;
  std::unique_ptr<NavigatorOutputPin> subpicture_;

  // The session: disc, player, stream choices. The playback thread holds it while reading.
  mutable std::mutex sessionMutex_;
  dvd::DvdSession session_;
  std::optional<PlayRequest> pending_;   // asked for while the filter was stopped (filter lock)
  std::atomic<bool> hasPending_{false};  // pending_ is set, for readers without the filter lock
  std::string lastError_;
  bool resetOnStop_ = true;
  int currentTitle_ = 0;  // title of the stream choices, 0 without a disc

  std::thread thread_;
  std::atomic<bool> abort_{false};
  std::atomic<bool> running_{false};  // a run is delivering; the domain is Title until it ends
  // Read by the playback thread for every packet.
  std::atomic<int> audioId_{-1};       // 0x80+n, 0xC0+n, 0xA0+n, 0x88+n
  std::atomic<int> subpictureId_{-1};  // n of 0x20+n
  std::atomic<int> audioPinId_{-1};    // the audio id whose codec the audio output was connected for

  // Playback thread only.
  bool inTail_ = false;
  int refusedAudioKind_ = -1;  // a codec the audio path refused this run
  int64_t runEnd_ = 0;
  HRESULT deliveryError_ = S_OK;
};

}  // namespace tarn::navigator
