// The closed-caption (line 21) decoder's interface, as far as a DVD application uses it: turning
// the captions off. No filter of this platform offers it; an application must work without one.
#pragma once

#include "media/com/HResult.h"
#include "media/com/Unknown.h"

enum AM_LINE21_CCSTATE {
  AM_L21_CCSTATE_Off = 0,
  AM_L21_CCSTATE_On = 1,
};

struct IAMLine21Decoder : IUnknown {
  static constexpr IID kIid{0x6E8D4A21, 0x310C, 0x11D0, {0xB7, 0x9A, 0x00, 0xAA, 0x00, 0x37, 0x67, 0xA7}};
  virtual HRESULT SetServiceState(AM_LINE21_CCSTATE state) = 0;
};
inline constexpr IID IID_IAMLine21Decoder = IAMLine21Decoder::kIid;
