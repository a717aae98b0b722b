// Plain structures of the media framework, laid out as the framework lays
// them out (VIDEOINFOHEADER is 88 bytes with its bitmap header at offset 48).
#pragma once

#include "media/com/Types.h"

#include <cstddef>

using REFERENCE_TIME = LONGLONG;

// Stream time units: 100 ns.
inline constexpr REFERENCE_TIME UNITS = 10'000'000;
inline constexpr REFERENCE_TIME MILLISECONDS = 10'000;
inline constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFF;

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_BITFIELDS = 3;

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

struct VIDEOINFOHEADER2 {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate = 0;
  DWORD dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;
  DWORD dwInterlaceFlags = 0;
  DWORD dwCopyProtectFlags = 0;
  DWORD dwPictAspectRatioX = 0;
  DWORD dwPictAspectRatioY = 0;
  DWORD dwControlFlags = 0;  // dwReserved1 in older headers
  DWORD dwReserved2 = 0;
  BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER2) == 112);
static_assert(offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);

// MPEG-2 video format block: the sequence header follows dwSequenceHeader.
struct MPEG2VIDEOINFO {
  VIDEOINFOHEADER2 hdr;
  DWORD dwStartTimeCode = 0;
  DWORD cbSequenceHeader = 0;
  DWORD dwProfile = 0;
  DWORD dwLevel = 0;
  DWORD dwFlags = 0;
  DWORD dwSequenceHeader[1] = {0};
};

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag = 0;
  WORD nChannels = 0;
  DWORD nSamplesPerSec = 0;
  DWORD nAvgBytesPerSec = 0;
  WORD nBlockAlign = 0;
  WORD wBitsPerSample = 0;
  WORD cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr WORD WAVE_FORMAT_PCM = 1;

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers = 0;
  LONG cbBuffer = 0;
  LONG cbAlign = 0;
  LONG cbPrefix = 0;
};

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

inline constexpr std::size_t MAX_PIN_NAME = 128;
inline constexpr std::size_t MAX_FILTER_NAME = 128;

struct IBaseFilter;
struct IFilterGraph;

struct PIN_INFO {
  IBaseFilter* pFilter = nullptr;  // holds a reference the caller releases
  PIN_DIRECTION dir = PINDIR_INPUT;
  WCHAR achName[MAX_PIN_NAME] = {};
};

struct FILTER_INFO {
  WCHAR achName[MAX_FILTER_NAME] = {};
  IFilterGraph* pGraph = nullptr;  // holds a reference the caller releases
};

// Flags of IMemAllocator::GetBuffer.
inline constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 1;
inline constexpr DWORD AM_GBF_NOTASYNCPOINT = 2;
inline constexpr DWORD AM_GBF_NOWAIT = 4;

// Copies a wide text into a fixed buffer, always terminated, cut to fit.
void CopyWideName(WCHAR* dest, std::size_t capacity, LPCWSTR source);
