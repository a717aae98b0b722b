#include "platform/navigator/dvd_navigator.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

#include "media/com/ComPtr.h"
#include "media/dshow/MediaTypeGuids.h"
#include "media/registry/TextConversion.h"
#include "platform/dvd/dvd_error.h"
#include "platform/navigator/navigator_ids.h"
#include "platform/navigator/navigator_media_types.h"
#include "platform/platform_interfaces.h"

namespace tarn::navigator {
namespace {

HRESULT ResultOf(const dvd::DvdError& error) {
  switch (error.kind()) {
    case dvd::DvdErrorKind::kNotFound:
      return static_cast<HRESULT>(0x80070003);  // path not found
    case dvd::DvdErrorKind::kNotADisc:
    case dvd::DvdErrorKind::kDamaged:
      return VFW_E_DVD_INVALID_DISC;
    case dvd::DvdErrorKind::kInvalidArgument:
      return E_INVALIDARG;
    case dvd::DvdErrorKind::kNavigation:
      return VFW_E_DVD_INVALIDDOMAIN;
  }
  return E_FAIL;
}

void ClearCommand(IDvdCmd** command) {
  if (command != nullptr) *command = nullptr;
}

int AudioId(const dvd::AudioStreamInfo& stream) { return dvd::AudioStreamId(stream); }

int PacketAudioId(const dvd::ElementaryPacket& packet) {
  switch (packet.codec) {
    case dvd::PacketCodec::kAc3:
      return 0x80 + packet.stream;
    case dvd::PacketCodec::kDts:
      return 0x88 + packet.stream;
    case dvd::PacketCodec::kLpcm:
      return 0xA0 + packet.stream;
    case dvd::PacketCodec::kMpegAudio:
      return 0xC0 + packet.stream;
    default:
      return -1;
  }
}

// The three header bytes a DVD LPCM frame carries, which the audio decoder reads.
std::array<uint8_t, 3> LpcmHeader(const dvd::LpcmFormat& format) {
  const int bits = format.bitsPerSample == 24 ? 2 : format.bitsPerSample == 20 ? 1 : 0;
  const int rate = format.sampleRate == 96000 ? 1 : format.sampleRate == 44100 ? 2 : format.sampleRate == 32000 ? 3 : 0;
  return {0, static_cast<uint8_t>((bits << 6) | (rate << 4) | ((format.channels - 1) & 7)), 0x80};
}

DVD_AUDIO_FORMAT FormatOf(dvd::AudioFormat format) {
  switch (format) {
    case dvd::AudioFormat::kAc3:
      return DVD_AudioFormat_AC3;
    case dvd::AudioFormat::kMpeg1:
      return DVD_AudioFormat_MPEG1;
    case dvd::AudioFormat::kMpeg2:
      return DVD_AudioFormat_MPEG2;
    case dvd::AudioFormat::kLpcm:
      return DVD_AudioFormat_LPCM;
    case dvd::AudioFormat::kDts:
      return DVD_AudioFormat_DTS;
    default:
      return DVD_AudioFormat_Other;
  }
}

}  // namespace

CUnknown* DvdNavigator::CreateInstance(IUnknown* outer, HRESULT* phr) {
  HRESULT hr = S_OK;
  auto* navigator = new (std::nothrow) DvdNavigator(outer, &hr);
  if (navigator == nullptr) hr = E_OUTOFMEMORY;
  if (FAILED(hr)) {
    delete navigator;
    navigator = nullptr;
    if (phr != nullptr) *phr = hr;
  }
  return navigator;
}

DvdNavigator::DvdNavigator(IUnknown* outer, HRESULT* phr)
    : StoppableFilter(L"DVD navigator", outer, &filterLock_, kDvdNavigatorClsid, phr) {
  video_ = std::make_unique<NavigatorOutputPin>(this, &filterLock_, NavigatorStream::kVideo, phr);
  audio_ = std::make_unique<NavigatorOutputPin>(this, &filterLock_, NavigatorStream::kAudio, phr);
  subpicture_ = std::make_unique<NavigatorOutputPin>(this, &filterLock_, NavigatorStream::kSubpicture, phr);
}

DvdNavigator::~DvdNavigator() { EndThread(); }

HRESULT DvdNavigator::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IDvdControl2) return GetInterface(static_cast<IDvdControl2*>(this), ppv);
  if (riid == IID_IDvdInfo2) return GetInterface(static_cast<IDvdInfo2*>(this), ppv);
  if (riid == IID_ITarnNavigatorStatus) return GetInterface(static_cast<ITarnNavigatorStatus*>(this), ppv);
  return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* DvdNavigator::GetPin(int n) {
  switch (n) {
    case 0:
      return video_.get();
    case 1:
      return audio_.get();
    case 2:
      return subpicture_.get();
    default:
      return nullptr;
  }
}

bool DvdNavigator::OutputType(NavigatorStream stream, CMediaType* type) {
  std::lock_guard lock(sessionMutex_);
  const dvd::TitleInfo* title = CurrentTitleLocked();
  switch (stream) {
    case NavigatorStream::kVideo:
      *type = MakeMpegVideoType(title != nullptr ? title->video : dvd::VideoInfo{});
      return true;
    case NavigatorStream::kAudio: {
      dvd::AudioStreamInfo usual;
      usual.format = dvd::AudioFormat::kAc3;
      usual.channels = 2;
      if (title == nullptr || title->audio.empty()) return MakeDvdAudioType(usual, type);
      return MakeDvdAudioType(title->audio.front(), type);
    }
    case NavigatorStream::kSubpicture:
      *type = MakeSubpictureType();
      return true;
  }
  return false;
}

// ---- filter state ----

HRESULT DvdNavigator::Pause() {
  CAutoLock lock(&filterLock_);
  const bool wasStopped = IsStopped();
  const HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr)) return hr;
  if (wasStopped && pending_) StartRunLocked();
  return hr;
}

HRESULT DvdNavigator::StopFilter() {
  abort_ = true;
  // Stopping decommits the allocators, which wakes a playback thread waiting for a sample.
  const HRESULT hr = CBaseFilter::Stop();
  EndThread();
  std::lock_guard lock(sessionMutex_);
  if (session_.isOpen()) session_.Stop();
  return hr;
}

void DvdNavigator::SetPending(std::optional<PlayRequest> request) {
  pending_ = request;
  hasPending_ = pending_.has_value();
}

void DvdNavigator::AbortRunLocked() {
  if (!thread_.joinable()) return;
  abort_ = true;
  for (NavigatorOutputPin* pin : {video_.get(), audio_.get(), subpicture_.get()})
    if (pin->IsConnected()) pin->DeliverBeginFlush();
  EndThread();
  for (NavigatorOutputPin* pin : {video_.get(), audio_.get(), subpicture_.get()})
    if (pin->IsConnected()) pin->DeliverEndFlush();
}

void DvdNavigator::EndThread() {
  abort_ = true;
  if (thread_.joinable()) thread_.join();
  running_ = false;
}

// ---- playing ----

HRESULT DvdNavigator::RequestPlay(const PlayRequest& request) {
  CAutoLock lock(&filterLock_);
  {
    std::lock_guard sessionLock(sessionMutex_);
    if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
    const auto& titles = session_.disc().titles;
    if (request.title < 1 || request.title > static_cast<int>(titles.size())) return E_INVALIDARG;
    const int chapters = static_cast<int>(titles[static_cast<size_t>(request.title - 1)].chapters.size());
    if (request.chapter < 1 || request.chapter > chapters || request.count < 0 ||
        request.chapter + request.count - 1 > chapters)
      return E_INVALIDARG;
  }
  AbortRunLocked();
  SetPending(request);
  if (IsStopped()) {
    // Starts when the graph pauses; streams chosen until then are the title's.
    std::lock_guard sessionLock(sessionMutex_);
    SelectTitleLocked(request.title);
    return S_OK;
  }
  return StartRunLocked();
}

HRESULT DvdNavigator::StartRunLocked() {
  const PlayRequest request = *pending_;
  SetPending(std::nullopt);
  {
    std::lock_guard lock(sessionMutex_);
    try {
      if (request.count > 0)
        session_.PlayChapters(request.title, request.chapter, request.count);
      else
        session_.PlayChapterInTitle(request.title, request.chapter);
      SelectTitleLocked(request.title);
      lastError_.clear();
    } catch (const dvd::DvdError& error) {
      lastError_ = error.what();
      return ResultOf(error);
    }
  }
  abort_ = false;
  running_ = true;
  thread_ = std::thread([this, request] { PlaybackThread(request); });
  return S_OK;
}

void DvdNavigator::PlaybackThread(PlayRequest request) {
  inTail_ = false;
  runEnd_ = INT64_MAX;
  deliveryError_ = S_OK;
  audioPinId_ = ConnectedAudioKind();
  refusedAudioKind_ = -1;
  std::array<uint32_t, 16> palette{};
  std::optional<int64_t> runLength;
  {
    std::lock_guard lock(sessionMutex_);
    if (const dvd::TitleInfo* title = CurrentTitleLocked()) palette = title->palette;
    runLength = session_.runLength();
  }
  SendPalette(palette);
  SendSubpictureState();
  StartSegment(runLength);
  NotifyEvent(EC_DVD_DOMAIN_CHANGE, DVD_DOMAIN_Title, 0);
  NotifyEvent(EC_DVD_TITLE_CHANGE, request.title, 0);

  dvd::PsDemuxer demuxer([this](const dvd::ElementaryPacket& packet) { DeliverPacket(packet); });
  std::array<uint8_t, dvd::kSectorSize> sector{};
  int chapter = 0;
  std::string error;
  for (;;) {
    if (abort_) return;  // stopped from outside: no end of stream, the graph is stopping
    dvd::PlayerEvent event;
    {
      std::lock_guard lock(sessionMutex_);
      event = session_.Next();
      if (event.sector.size() == sector.size()) std::memcpy(sector.data(), event.sector.data(), sector.size());
    }
    if (event.kind == dvd::PlayerEventKind::kStop) {
      error = event.error;
      break;
    }
    switch (event.kind) {
      case dvd::PlayerEventKind::kTailSector:
        inTail_ = true;
        runEnd_ = event.location.time;
        [[fallthrough]];
      case dvd::PlayerEventKind::kSector:
        demuxer.PushSector(sector, event.timeOffset);
        break;
      case dvd::PlayerEventKind::kCellChange:
        if (event.location.chapter != chapter) {
          chapter = event.location.chapter;
          NotifyEvent(EC_DVD_CHAPTER_START, chapter, 0);
        }
        break;
      case dvd::PlayerEventKind::kPaletteChange:
        SendPalette(event.palette);
        break;
      case dvd::PlayerEventKind::kStop:
        break;
    }
    if (FAILED(deliveryError_)) {
      error = "the filters after the navigator refused its data";
      break;
    }
  }
  FinishRun(error, request.count > 0, request.sendEvents);
}

// Every run is a segment from 0 to its length, so that the sound can end exactly with the
// last picture even where the disc's audio stops short of it.
void DvdNavigator::StartSegment(std::optional<int64_t> length) {
  const REFERENCE_TIME stop = length ? *length : MAX_TIME;
  for (NavigatorOutputPin* pin : {video_.get(), audio_.get(), subpicture_.get()})
    if (pin->IsConnected()) pin->DeliverNewSegment(0, stop, 1.0);
}

void DvdNavigator::DeliverPacket(const dvd::ElementaryPacket& packet) {
  const std::optional<int64_t> time = packet.hasTime ? std::optional<int64_t>(packet.time) : std::nullopt;
  HRESULT hr = S_OK;
  switch (packet.kind) {
    case dvd::StreamKind::kVideo:
      if (!inTail_) hr = video_->DeliverPacket({}, packet.data, time);
      break;
    case dvd::StreamKind::kAudio: {
      const int id = PacketAudioId(packet);
      if (id != audioId_) return;
      // Another codec than the output's type goes on only once the path downstream takes it.
      if ((id & 0xF8) != (audioPinId_ & 0xF8) && !FollowAudioCodec(id)) return;
      // Past the run only the audio that begins before its end belongs to it.
      if (inTail_ && (!packet.timeKnown || packet.time >= runEnd_)) return;
      if (packet.codec == dvd::PacketCodec::kLpcm) {
        const std::array<uint8_t, 3> header = LpcmHeader(packet.lpcm);
        hr = audio_->DeliverPacket(header, packet.data, time);
      } else {
        hr = audio_->DeliverPacket({}, packet.data, time);
      }
      break;
    }
    case dvd::StreamKind::kSubpicture:
      if (!inTail_ && packet.stream == subpictureId_) hr = subpicture_->DeliverPacket({}, packet.data, time);
      break;
  }
  if (FAILED(hr) && SUCCEEDED(deliveryError_)) deliveryError_ = hr;
}

// The selected audio stream is in another codec than the audio output's type (a later title, or
// another disc, played through the graph built for the first): asks the decoder behind the
// output whether it takes the new type, and if so the next sample carries it. A refusal is
// asked once per run; that audio is then dropped rather than misread.
bool DvdNavigator::FollowAudioCodec(int id) {
  if ((id & 0xF8) == refusedAudioKind_) return false;
  CMediaType type;
  {
    std::lock_guard lock(sessionMutex_);
    const dvd::TitleInfo* title = CurrentTitleLocked();
    const int stream = session_.streams().audio();
    if (title == nullptr || stream < 0 || static_cast<size_t>(stream) >= title->audio.size() ||
        !MakeDvdAudioType(title->audio[static_cast<size_t>(stream)], &type))
      return false;
  }
  IPin* peer = audio_->GetConnected();
  if (peer == nullptr || peer->QueryAccept(&type) != S_OK) {
    refusedAudioKind_ = id & 0xF8;
    return false;
  }
  audio_->ChangeType(type);
  audioPinId_ = id;
  return true;
}

// The stream id range (0x80, 0xA0, 0xC0) of the codec the audio output was connected with.
int DvdNavigator::ConnectedAudioKind() {
  AM_MEDIA_TYPE type{};
  if (FAILED(audio_->ConnectionMediaType(&type))) return -1;
  int kind = -1;
  if (type.subtype == MEDIASUBTYPE_DOLBY_AC3)
    kind = 0x80;
  else if (type.subtype == MEDIASUBTYPE_DVD_LPCM_AUDIO)
    kind = 0xA0;
  else if (type.subtype == MEDIASUBTYPE_MPEG2_AUDIO)
    kind = 0xC0;
  FreeMediaType(type);
  return kind;
}

void DvdNavigator::FinishRun(const std::string& error, bool autoStop, bool sendEvents) {
  video_->EndRun();
  audio_->EndRun();
  subpicture_->EndRun();
  {
    std::lock_guard lock(sessionMutex_);
    lastError_ = error;
  }
  running_ = false;
  if (!error.empty())
    NotifyEvent(EC_DVD_ERROR, DVD_ERROR_Unexpected, 0);
  else if (autoStop && sendEvents)
    NotifyEvent(EC_DVD_CHAPTER_AUTOSTOP, 0, 0);
  NotifyEvent(EC_DVD_DOMAIN_CHANGE, DVD_DOMAIN_Stop, 0);
}

// The decoder behind the subpicture (or else the video) output takes the palette and the state.
static ComPtr<ITarnSubpictureControl> SubpictureControlBehind(NavigatorOutputPin* first, NavigatorOutputPin* second) {
  for (NavigatorOutputPin* pin : {first, second}) {
    IPin* peer = pin->GetConnected();
    if (peer == nullptr) continue;
    PIN_INFO info{};
    if (FAILED(peer->QueryPinInfo(&info)) || info.pFilter == nullptr) continue;
    ComPtr<ITarnSubpictureControl> control;
    info.pFilter->QueryInterface(IID_ITarnSubpictureControl,
                                 reinterpret_cast<void**>(control.ReleaseAndGetAddressOf()));
    info.pFilter->Release();
    if (control) return control;
  }
  return {};
}

void DvdNavigator::SendPalette(const std::array<uint32_t, 16>& palette) {
  ComPtr<ITarnSubpictureControl> control = SubpictureControlBehind(subpicture_.get(), video_.get());
  if (!control) return;
  std::array<DWORD, 16> entries{};
  std::copy(palette.begin(), palette.end(), entries.begin());
  control->SetPalette(entries.data());
}

void DvdNavigator::SendSubpictureState() {
  bool shown = false;
  {
    std::lock_guard lock(sessionMutex_);
    shown = session_.streams().subpictureOn() && session_.streams().subpicture() >= 0;
  }
  ComPtr<ITarnSubpictureControl> control = SubpictureControlBehind(subpicture_.get(), video_.get());
  if (control) control->SetSubpictureState(shown ? TRUE : FALSE);
}

// ---- IDvdControl2 ----

HRESULT DvdNavigator::SetDVDDirectory(LPCWSTR path) {
  CAutoLock lock(&filterLock_);
  if (running_) return VFW_E_DVD_INVALIDDOMAIN;
  EndThread();
  std::lock_guard sessionLock(sessionMutex_);
  try {
    session_.Open(path == nullptr ? std::string() : media::WideToUtf8(path));
  } catch (const dvd::DvdError& error) {
    lastError_ = error.what();
    return ResultOf(error);
  }
  lastError_.clear();
  SetPending(std::nullopt);
  session_.streams().Reset();
  SelectTitleLocked(session_.disc().titles.empty() ? 0 : 1);
  return S_OK;
}

HRESULT DvdNavigator::PlayChapterInTitle(ULONG title, ULONG chapter, DWORD, IDvdCmd** command) {
  ClearCommand(command);
  return RequestPlay({static_cast<int>(title), static_cast<int>(chapter), 0, false});
}

HRESULT DvdNavigator::PlayChaptersAutoStop(ULONG title, ULONG chapter, ULONG count, DWORD flags, IDvdCmd** command) {
  ClearCommand(command);
  if (count == 0) return E_INVALIDARG;
  return RequestPlay({static_cast<int>(title), static_cast<int>(chapter), static_cast<int>(count),
                      (flags & DVD_CMD_FLAG_SendEvents) != 0});
}

// Normal speed is the only speed; from the stopped domain it plays the first title from its start,
// as a disc's first play does once menus are passed over.
HRESULT DvdNavigator::PlayForwards(double speed, DWORD, IDvdCmd** command) {
  ClearCommand(command);
  if (!(speed > 0)) return E_INVALIDARG;
  {
    CAutoLock lock(&filterLock_);
    if (running_ || pending_) return S_OK;
  }
  return RequestPlay({1, 1, 0, false});
}

HRESULT DvdNavigator::StopPlayback() {
  CAutoLock lock(&filterLock_);
  AbortRunLocked();
  SetPending(std::nullopt);
  std::lock_guard sessionLock(sessionMutex_);
  if (session_.isOpen()) session_.Stop();
  return S_OK;
}

HRESULT DvdNavigator::SelectAudioStream(ULONG stream, DWORD, IDvdCmd** command) {
  ClearCommand(command);
  std::lock_guard lock(sessionMutex_);
  try {
    session_.streams().SelectAudio(static_cast<int>(stream));
  } catch (const dvd::DvdError& error) {
    return ResultOf(error);
  }
  UpdateSelectionLocked();
  return S_OK;
}

HRESULT DvdNavigator::SelectSubpictureStream(ULONG stream, DWORD, IDvdCmd** command) {
  ClearCommand(command);
  {
    std::lock_guard lock(sessionMutex_);
    try {
      session_.streams().SelectSubpicture(static_cast<int>(stream));
    } catch (const dvd::DvdError& error) {
      return ResultOf(error);
    }
    UpdateSelectionLocked();
  }
  SendSubpictureState();
  return S_OK;
}

HRESULT DvdNavigator::SetSubpictureState(BOOL on, DWORD, IDvdCmd** command) {
  ClearCommand(command);
  {
    std::lock_guard lock(sessionMutex_);
    session_.streams().SetSubpictureOn(on != FALSE);
  }
  SendSubpictureState();
  return S_OK;
}

HRESULT DvdNavigator::SetOption(DVD_OPTION_FLAG option, BOOL on) {
  switch (option) {
    case DVD_ResetOnStop:
      resetOnStop_ = on != FALSE;
      return S_OK;
    case DVD_NotifyParentalLevelChange:
    case DVD_HMSF_TimeCodeEvents:
      return S_OK;
  }
  return E_INVALIDARG;
}

// ---- IDvdInfo2 ----

HRESULT DvdNavigator::GetCurrentDomain(DVD_DOMAIN* domain) {
  if (domain == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  *domain = running_ || hasPending_ ? DVD_DOMAIN_Title : DVD_DOMAIN_Stop;
  return S_OK;
}

HRESULT DvdNavigator::GetCurrentLocation(DVD_PLAYBACK_LOCATION2* location) {
  if (location == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  const dvd::PlayLocation where = session_.location();
  const dvd::TitleInfo* title = CurrentTitleLocked();
  const bool pal = title != nullptr && title->video.standard == dvd::VideoStandard::kPal;
  *location = {};
  location->TitleNum = static_cast<ULONG>(std::max(where.title, currentTitle_));
  location->ChapterNum = static_cast<ULONG>(std::max(where.chapter, 1));
  const int64_t units = std::max<int64_t>(where.time, 0);
  const int64_t seconds = units / 10'000'000;
  location->TimeCode.bHours = static_cast<BYTE>(std::min<int64_t>(seconds / 3600, 255));
  location->TimeCode.bMinutes = static_cast<BYTE>(seconds / 60 % 60);
  location->TimeCode.bSeconds = static_cast<BYTE>(seconds % 60);
  location->TimeCode.bFrames =
      static_cast<BYTE>(units % 10'000'000 / FrameTime(pal ? dvd::VideoStandard::kPal : dvd::VideoStandard::kNtsc));
  location->TimeCodeFlags = pal ? DVD_TC_FLAG_25fps : DVD_TC_FLAG_30fps;
  return S_OK;
}

HRESULT DvdNavigator::GetCurrentAudio(ULONG* available, ULONG* current) {
  if (available == nullptr || current == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  *available = static_cast<ULONG>(session_.streams().audioCount());
  *current = static_cast<ULONG>(std::max(session_.streams().audio(), 0));
  return S_OK;
}

HRESULT DvdNavigator::GetCurrentSubpicture(ULONG* available, ULONG* current, BOOL* disabled) {
  if (available == nullptr || current == nullptr || disabled == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  *available = static_cast<ULONG>(session_.streams().subpictureCount());
  *current = static_cast<ULONG>(std::max(session_.streams().subpicture(), 0));
  *disabled = session_.streams().subpictureOn() ? FALSE : TRUE;
  return S_OK;
}

HRESULT DvdNavigator::GetAudioLanguage(ULONG stream, LCID* language) {
  DVD_AudioAttributes attributes;
  const HRESULT hr = GetAudioAttributes(stream, &attributes);
  if (language != nullptr && SUCCEEDED(hr)) *language = attributes.Language;
  return language == nullptr ? E_POINTER : hr;
}

HRESULT DvdNavigator::GetSubpictureLanguage(ULONG stream, LCID* language) {
  DVD_SubpictureAttributes attributes;
  const HRESULT hr = GetSubpictureAttributes(stream, &attributes);
  if (language != nullptr && SUCCEEDED(hr)) *language = attributes.Language;
  return language == nullptr ? E_POINTER : hr;
}

HRESULT DvdNavigator::GetAudioAttributes(ULONG stream, DVD_AudioAttributes* attributes) {
  if (attributes == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  const dvd::TitleInfo* title = CurrentTitleLocked();
  if (title == nullptr) return VFW_E_DVD_INVALIDDOMAIN;
  if (stream >= title->audio.size()) return E_INVALIDARG;
  const dvd::AudioStreamInfo& info = title->audio[stream];
  *attributes = {};
  attributes->AudioFormat = FormatOf(info.format);
  attributes->Language = info.locale;
  attributes->dwFrequency = static_cast<DWORD>(info.sampleRate);
  attributes->bQuantization = info.format == dvd::AudioFormat::kLpcm ? 16 : 0;
  attributes->bNumberOfChannels = static_cast<BYTE>(info.channels);
  return S_OK;
}

HRESULT DvdNavigator::GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attributes) {
  if (attributes == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  const dvd::TitleInfo* title = CurrentTitleLocked();
  if (title == nullptr) return VFW_E_DVD_INVALIDDOMAIN;
  if (stream >= title->subpictures.size()) return E_INVALIDARG;
  const dvd::SubpictureStreamInfo& info = title->subpictures[stream];
  *attributes = {};
  attributes->Type = info.language.empty() ? DVD_SPType_NotSpecified : DVD_SPType_Language;
  attributes->Language = info.locale;
  return S_OK;
}

HRESULT DvdNavigator::GetDVDVolumeInfo(ULONG* volumes, ULONG* volume, DVD_DISC_SIDE* side, ULONG* titles) {
  if (volumes == nullptr && volume == nullptr && side == nullptr && titles == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  if (volumes != nullptr) *volumes = 1;
  if (volume != nullptr) *volume = 1;
  if (side != nullptr) *side = DVD_SIDE_A;
  if (titles != nullptr) *titles = static_cast<ULONG>(session_.disc().titles.size());
  return S_OK;
}

HRESULT DvdNavigator::GetNumberOfChapters(ULONG title, ULONG* chapters) {
  if (chapters == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  const auto& titles = session_.disc().titles;
  if (title < 1 || title > titles.size()) return E_INVALIDARG;
  *chapters = static_cast<ULONG>(titles[title - 1].chapters.size());
  return S_OK;
}

HRESULT DvdNavigator::GetDVDDirectory(LPWSTR path, ULONG size, ULONG* actual) {
  if (path == nullptr || actual == nullptr) return E_POINTER;
  std::lock_guard lock(sessionMutex_);
  if (!session_.isOpen()) return VFW_E_DVD_INVALIDDOMAIN;
  const std::wstring directory = media::Utf8ToWide(session_.directory());
  *actual = static_cast<ULONG>(directory.size() + 1);
  if (size < *actual) {
    if (size > 0) path[0] = L'\0';
    return E_INVALIDARG;
  }
  std::wmemcpy(path, directory.c_str(), directory.size() + 1);
  return S_OK;
}

HRESULT DvdNavigator::GetLastErrorText(char* buffer, ULONG size) {
  if (buffer == nullptr) return E_POINTER;
  if (size == 0) return E_INVALIDARG;
  std::lock_guard lock(sessionMutex_);
  const size_t length = std::min<size_t>(lastError_.size(), size - 1);
  std::memcpy(buffer, lastError_.data(), length);
  buffer[length] = '\0';
  return S_OK;
}

// ---- stream choices ----

const dvd::TitleInfo* DvdNavigator::CurrentTitleLocked() const {
  if (!session_.isOpen() || currentTitle_ < 1) return nullptr;
  const auto& titles = session_.disc().titles;
  return currentTitle_ <= static_cast<int>(titles.size()) ? &titles[static_cast<size_t>(currentTitle_ - 1)] : nullptr;
}

void DvdNavigator::SelectTitleLocked(int title) {
  currentTitle_ = title;
  if (const dvd::TitleInfo* info = CurrentTitleLocked()) session_.streams().SetTitle(*info);
  UpdateSelectionLocked();
}

void DvdNavigator::UpdateSelectionLocked() {
  const dvd::TitleInfo* title = CurrentTitleLocked();
  const int audio = session_.streams().audio();
  audioId_ = title != nullptr && audio >= 0 ? AudioId(title->audio[static_cast<size_t>(audio)]) : -1;
  subpictureId_ = session_.streams().subpicturePhysical();
}

}  // namespace tarn::navigator
