// The DVD navigator's control and information interfaces: the calls a DVD application makes to
// open a disc, play chapters, follow the playback location and choose streams, with the
// framework's interface ids, argument types and result codes.
#pragma once

#include "media/com/HResult.h"
#include "media/com/Unknown.h"
#include "media/dshow/Structures.h"

using LCID = DWORD;

enum DVD_DOMAIN {
  DVD_DOMAIN_FirstPlay = 1,
  DVD_DOMAIN_VideoManagerMenu = 2,
  DVD_DOMAIN_VideoTitleSetMenu = 3,
  DVD_DOMAIN_Title = 4,
  DVD_DOMAIN_Stop = 5,
};

enum DVD_CMD_FLAGS : DWORD {
  DVD_CMD_FLAG_None = 0x00,
  DVD_CMD_FLAG_Flush = 0x01,
  DVD_CMD_FLAG_SendEvents = 0x02,
  DVD_CMD_FLAG_Block = 0x04,
  DVD_CMD_FLAG_StartWhenRendered = 0x08,
  DVD_CMD_FLAG_EndAfterRendered = 0x10,
};

enum DVD_OPTION_FLAG {
  DVD_ResetOnStop = 1,
  DVD_NotifyParentalLevelChange = 2,
  DVD_HMSF_TimeCodeEvents = 3,
};

enum DVD_DISC_SIDE { DVD_SIDE_A = 1, DVD_SIDE_B = 2 };

struct DVD_HMSF_TIMECODE {
  BYTE bHours = 0;
  BYTE bMinutes = 0;
  BYTE bSeconds = 0;
  BYTE bFrames = 0;
};

struct DVD_PLAYBACK_LOCATION2 {
  ULONG TitleNum = 0;
  ULONG ChapterNum = 0;
  DVD_HMSF_TIMECODE TimeCode;
  ULONG TimeCodeFlags = 0;  // DVD_TC_FLAG_*: the frame rate of bFrames
};
inline constexpr ULONG DVD_TC_FLAG_25fps = 0x1;
inline constexpr ULONG DVD_TC_FLAG_30fps = 0x2;

enum DVD_AUDIO_APPMODE {
  DVD_AudioMode_None = 0,
  DVD_AudioMode_Karaoke = 1,
  DVD_AudioMode_Surround = 2,
  DVD_AudioMode_Other = 3
};

enum DVD_AUDIO_FORMAT {
  DVD_AudioFormat_AC3 = 0,
  DVD_AudioFormat_MPEG1 = 1,
  DVD_AudioFormat_MPEG1_DRC = 2,
  DVD_AudioFormat_MPEG2 = 3,
  DVD_AudioFormat_MPEG2_DRC = 4,
  DVD_AudioFormat_LPCM = 5,
  DVD_AudioFormat_DTS = 6,
  DVD_AudioFormat_SDDS = 7,
  DVD_AudioFormat_Other = 8,
};

enum DVD_AUDIO_LANG_EXT { DVD_AUD_EXT_NotSpecified = 0 };

struct DVD_AudioAttributes {
  DVD_AUDIO_APPMODE AppMode = DVD_AudioMode_None;
  BYTE AppModeData = 0;
  DVD_AUDIO_FORMAT AudioFormat = DVD_AudioFormat_Other;
  LCID Language = 0;
  DVD_AUDIO_LANG_EXT LanguageExtension = DVD_AUD_EXT_NotSpecified;
  BOOL fHasMultichannelInfo = 0;
  DWORD dwFrequency = 0;
  BYTE bQuantization = 0;
  BYTE bNumberOfChannels = 0;
  DWORD dwReserved[2] = {0, 0};
};

enum DVD_SUBPICTURE_TYPE { DVD_SPType_NotSpecified = 0, DVD_SPType_Language = 1, DVD_SPType_Other = 2 };
enum DVD_SUBPICTURE_CODING { DVD_SPCoding_RunLength = 0, DVD_SPCoding_Extended = 1, DVD_SPCoding_Other = 2 };
enum DVD_SUBPICTURE_LANG_EXT { DVD_SP_EXT_NotSpecified = 0 };

struct DVD_SubpictureAttributes {
  DVD_SUBPICTURE_TYPE Type = DVD_SPType_NotSpecified;
  DVD_SUBPICTURE_CODING CodingMode = DVD_SPCoding_RunLength;
  LCID Language = 0;
  DVD_SUBPICTURE_LANG_EXT LanguageExtension = DVD_SP_EXT_NotSpecified;
};

// A command's progress object; this navigator completes or starts every command before the call
// returns and hands out none (the pointer is set to null).
struct IDvdCmd;

inline constexpr HRESULT VFW_E_DVD_OPERATION_INHIBITED = static_cast<HRESULT>(0x80040276);
inline constexpr HRESULT VFW_E_DVD_INVALIDDOMAIN = static_cast<HRESULT>(0x80040277);
inline constexpr HRESULT VFW_E_DVD_GRAPHNOTREADY = static_cast<HRESULT>(0x80040279);
inline constexpr HRESULT VFW_E_DVD_NO_ATTRIBUTES = static_cast<HRESULT>(0x80040289);
inline constexpr HRESULT VFW_E_DVD_STREAM_DISABLED = static_cast<HRESULT>(0x8004028B);
inline constexpr HRESULT VFW_E_DVD_INVALID_DISC = static_cast<HRESULT>(0x80040291);

// Events of the navigator (param1, param2 as noted).
inline constexpr LONG EC_DVD_DOMAIN_CHANGE = 0x0101;  // the new DVD_DOMAIN
inline constexpr LONG EC_DVD_TITLE_CHANGE = 0x0102;   // title number
inline constexpr LONG EC_DVD_CHAPTER_START = 0x0103;  // chapter number
inline constexpr LONG EC_DVD_ERROR = 0x010C;          // DVD_ERROR
inline constexpr LONG EC_DVD_CHAPTER_AUTOSTOP = 0x010E;
inline constexpr LONG EC_DVD_PLAYBACK_STOPPED = 0x0112;
inline constexpr LONG DVD_ERROR_Unexpected = 1;
inline constexpr LONG DVD_ERROR_InvalidDVD1_0Disc = 2;
inline constexpr LONG DVD_ERROR_LowParentalLevel = 5;

struct IDvdControl2 : IUnknown {
  static constexpr IID kIid{0x33BC7430, 0xEEC0, 0x11D2, {0x82, 0x01, 0x00, 0xA0, 0xC9, 0xD7, 0x48, 0x42}};
  // An .ifo file, a VIDEO_TS folder, a disc folder or a disc image; null looks in the drives.
  virtual HRESULT SetDVDDirectory(LPCWSTR path) = 0;
  virtual HRESULT PlayChapterInTitle(ULONG title, ULONG chapter, DWORD flags, IDvdCmd** command) = 0;
  // Plays `count` chapters from `chapter` and then stops by itself (domain DVD_DOMAIN_Stop).
  virtual HRESULT PlayChaptersAutoStop(ULONG title, ULONG chapter, ULONG count, DWORD flags, IDvdCmd** command) = 0;
  virtual HRESULT PlayForwards(double speed, DWORD flags, IDvdCmd** command) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT SelectAudioStream(ULONG stream, DWORD flags, IDvdCmd** command) = 0;
  virtual HRESULT SelectSubpictureStream(ULONG stream, DWORD flags, IDvdCmd** command) = 0;
  virtual HRESULT SetSubpictureState(BOOL on, DWORD flags, IDvdCmd** command) = 0;
  virtual HRESULT SetOption(DVD_OPTION_FLAG option, BOOL on) = 0;
};
inline constexpr IID IID_IDvdControl2 = IDvdControl2::kIid;

struct IDvdInfo2 : IUnknown {
  static constexpr IID kIid{0x34151510, 0xEEC0, 0x11D2, {0x82, 0x01, 0x00, 0xA0, 0xC9, 0xD7, 0x48, 0x42}};
  virtual HRESULT GetCurrentDomain(DVD_DOMAIN* domain) = 0;
  virtual HRESULT GetCurrentLocation(DVD_PLAYBACK_LOCATION2* location) = 0;
  virtual HRESULT GetCurrentAudio(ULONG* available, ULONG* current) = 0;
  virtual HRESULT GetCurrentSubpicture(ULONG* available, ULONG* current, BOOL* disabled) = 0;
  virtual HRESULT GetAudioLanguage(ULONG stream, LCID* language) = 0;
  virtual HRESULT GetSubpictureLanguage(ULONG stream, LCID* language) = 0;
  virtual HRESULT GetAudioAttributes(ULONG stream, DVD_AudioAttributes* attributes) = 0;
  virtual HRESULT GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attributes) = 0;
  virtual HRESULT GetDVDVolumeInfo(ULONG* volumes, ULONG* volume, DVD_DISC_SIDE* side, ULONG* titles) = 0;
  virtual HRESULT GetNumberOfChapters(ULONG title, ULONG* chapters) = 0;
  // The disc's folder in `size` characters at most, terminated; `actual` counts the terminator.
  virtual HRESULT GetDVDDirectory(LPWSTR path, ULONG size, ULONG* actual) = 0;
};
inline constexpr IID IID_IDvdInfo2 = IDvdInfo2::kIid;

// The interfaces of the first navigator generation; this navigator offers neither.
inline constexpr IID IID_IDvdControl{0xA70EFE61, 0xE2A3, 0x11D0, {0xA9, 0xBE, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
inline constexpr IID IID_IDvdInfo{0xA70EFE60, 0xE2A3, 0x11D0, {0xA9, 0xBE, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
