// The navigator's own interface beside the DVD ones: why playback or opening a disc failed, in
// words, for tools that report it.
#pragma once

#include "media/com/Unknown.h"

struct ITarnNavigatorStatus : IUnknown {
  static constexpr IID kIid{0x6D0C94E2, 0x3F57, 0x4A61, {0x8B, 0x2E, 0xC4, 0x17, 0x90, 0x5A, 0xD3, 0x28}};
  // The last failure of SetDVDDirectory, a play command or a run ("" when the last one succeeded),
  // terminated and cut to `size` bytes.
  virtual HRESULT GetLastErrorText(char* buffer, ULONG size) = 0;
};
inline constexpr IID IID_ITarnNavigatorStatus = ITarnNavigatorStatus::kIid;
