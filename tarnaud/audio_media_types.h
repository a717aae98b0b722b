// The media types of the audio encoder filter: the PCM it reads and the type it asks for.
#pragma once

#include "media/dshow/MediaType.h"
#include "tarnaud/sound_encoder.h"

namespace tarn::aud {

// The input test: audio, PCM subtype, a WAVEFORMATEX format block with format tag PCM,
// 16 bits per sample, 1 to 8 channels, 1 kHz to 384 kHz and a block alignment of two bytes
// per channel. Results:
//   E_POINTER     null type
//   E_INVALIDARG  another format type, or a format block shorter than WAVEFORMATEX
//   E_FAIL        another major type, subtype, format tag, sample size, rate or layout
//   S_OK          `format` (when not null) describes the input
HRESULT DescribePcm(const AM_MEDIA_TYPE* type, PcmFormat* format);

// 16-bit PCM of the given rate and channels; the input pin asks for 48 kHz stereo so that
// a format converter in front of it delivers that.
CMediaType MakePcmType(PcmFormat format);
inline constexpr PcmFormat kPreferredInput{48'000, 2};

}  // namespace tarn::aud
