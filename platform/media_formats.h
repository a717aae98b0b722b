// Reading and making the media types the platform filters exchange: video
// with a VIDEOINFOHEADER(2), PCM audio with a WAVEFORMATEX.
#pragma once

#include "media/dshow/MediaType.h"

#include <cstddef>
#include <optional>

namespace tarn::platform {

// The bitmap header of a video type, null when the format block has none.
const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type);

// Bytes of one picture: RGB24 rows of width * 3 bytes without padding (as the encoder
// filter reads them), YUY2 rows of whole pixel pairs.
std::size_t Rgb24FrameBytes(LONG width, LONG height);
std::size_t Yuy2FrameBytes(LONG width, LONG height);

// An uncompressed video type (RGB24 bottom-up or YUY2) with a VIDEOINFOHEADER.
CMediaType MakeVideoType(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME frameTime);

// PCM audio: format tag, channel count, rate and sample size of the type.
struct PcmFormat {
  WORD channels = 0;
  DWORD sampleRate = 0;
  WORD bitsPerSample = 0;
  bool operator==(const PcmFormat&) const = default;
  WORD BlockAlign() const { return static_cast<WORD>(channels * bitsPerSample / 8); }
};

// The PCM format of a MEDIATYPE_Audio/MEDIASUBTYPE_PCM type with a wave format.
std::optional<PcmFormat> PcmFormatOf(const AM_MEDIA_TYPE& type);
CMediaType MakePcmType(const PcmFormat& format);

}  // namespace tarn::platform
