// The media types of the video encoder filter: which inputs it takes, the RGB24 description it
// prepares pictures from, and the one type its output pin offers.
#pragma once

#include "media/dshow/MediaType.h"

namespace tarn::venc {

// The preview picture on the output pin: 240 x 160 RGB24, bottom row first.
inline constexpr LONG kPreviewWidth = 240;
inline constexpr LONG kPreviewHeight = 160;
inline constexpr ULONG kPreviewBytes = 115'200;
inline constexpr DWORD kPreviewBitRate = 9'216'000;             // bytes x 8 x 10 per second
inline constexpr REFERENCE_TIME kPreviewFrameTime = 1'000'000;  // 100 ms

// An accepted input, described as the RGB24 picture the preparation reads.
struct WorkingInput {
  bool yuy2 = false;         // samples are YUY2 and are converted to RGB24 first
  CMediaType type;           // the RGB24 type: the input's own, or one derived from it
  VIDEOINFOHEADER format{};  // the first 88 bytes of type's format block
};

// The input test. RGB24 video with a 24-bit bitmap header, or YUY2 video, described by a
// VideoInfo or VideoInfo2 block. Results:
//   E_POINTER     null type
//   E_INVALIDARG  another format type, or a format block too short for its bitmap header
//   E_FAIL        another major type or subtype, a bit count other than 24 for RGB24, or a
//                 picture size that is not positive or whose RGB24 form exceeds 2 GiB
//   S_OK          `working` (when not null) describes the input
// A YUY2 input, and an RGB24 input with a VideoInfo2 block, get a derived RGB24 type with a
// VideoInfo block; an RGB24 input with a VideoInfo block is taken as it is.
HRESULT DescribeInput(const AM_MEDIA_TYPE* type, WorkingInput* working);

// The output type: video, RGB24, fixed 115,200-byte samples, VideoInfo 240 x 160 at 10 frames
// per second.
CMediaType MakePreviewType();

// True for video RGB24 (nothing else of the type is looked at).
bool IsRgb24Video(const AM_MEDIA_TYPE& type);

}  // namespace tarn::venc
