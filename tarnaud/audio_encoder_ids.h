// Identity of the audio encoder filter.
#pragma once

#include "media/com/Guid.h"

namespace tarn::aud {

inline constexpr CLSID kAudioEncoderClsid{0x6B1C2E74, 0x3F0D, 0x4C8E, {0x9A, 0x51, 0x2D, 0x7E, 0x40, 0xB3, 0x18, 0xC6}};

inline constexpr wchar_t kAudioEncoderName[] = L"Tarn Audio Encoder for DVD";

}  // namespace tarn::aud
