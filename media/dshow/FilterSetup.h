// Filter setup data: what a filter library tells the filter mapper about a
// filter (merit, pins and their media types).
#pragma once

#include "media/com/Guid.h"

struct AMOVIESETUP_MEDIATYPE {
  const CLSID* clsMajorType = nullptr;
  const CLSID* clsMinorType = nullptr;
};
using REGPINTYPES = AMOVIESETUP_MEDIATYPE;

struct AMOVIESETUP_PIN {
  LPCWSTR strName = nullptr;
  BOOL bRendered = FALSE;
  BOOL bOutput = FALSE;
  BOOL bZero = FALSE;
  BOOL bMany = FALSE;
  const CLSID* clsConnectsToFilter = nullptr;
  LPCWSTR strConnectsToPin = nullptr;
  ULONG nMediaTypes = 0;
  const AMOVIESETUP_MEDIATYPE* lpMediaType = nullptr;
};
using REGFILTERPINS = AMOVIESETUP_PIN;

struct AMOVIESETUP_FILTER {
  const CLSID* clsID = nullptr;
  LPCWSTR strName = nullptr;
  DWORD dwMerit = 0;
  ULONG nPins = 0;
  const AMOVIESETUP_PIN* lpPin = nullptr;
};

// The filter description handed to IFilterMapper2::RegisterFilter. Only
// version 1 (REGFILTERPINS) is supported.
struct REGFILTER2 {
  DWORD dwVersion = 1;
  DWORD dwMerit = 0;
  ULONG cPins = 0;
  const REGFILTERPINS* rgPins = nullptr;
};

inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
inline constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
inline constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;
