// Identity of the video encoder filter: its class, its friendly name and the private subtype
// its output pin is registered with.
#pragma once

#include "media/com/Guid.h"

namespace tarn::venc {

inline constexpr CLSID kVideoEncoderClsid{0xF28300A0, 0xF0CC, 0x11CF, {0x93, 0xD5, 0xEC, 0x81, 0xC7, 0x95, 0x85, 0x7F}};

// Registered for the output pin only; at run time the pin offers RGB24.
inline constexpr GUID kPreviewSubtype{0xF28300A0, 0xF0CC, 0x11CF, {0x93, 0xD5, 0xFD, 0x80, 0xC7, 0x95, 0x85, 0x7F}};

inline constexpr wchar_t kVideoEncoderName[] = L"Tarn Video Encoder for GAME";

}  // namespace tarn::venc
