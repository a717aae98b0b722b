#include "encoder/encoder_media_types.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tarn::venc {
namespace {

// Where the bitmap header lies in the format block, or 0 for an unknown format type.
std::size_t BitmapHeaderOffset(const GUID& formatType) {
  if (formatType == FORMAT_VideoInfo) return offsetof(VIDEOINFOHEADER, bmiHeader);
  if (formatType == FORMAT_VideoInfo2) return offsetof(VIDEOINFOHEADER2, bmiHeader);
  return 0;
}

// The input's VideoInfo block. A VideoInfo2 block shares the first 48 bytes (rectangles, bit
// rates, frame time) and has its bitmap header 24 bytes further on.
VIDEOINFOHEADER ReadVideoInfo(const AM_MEDIA_TYPE& type, std::size_t headerOffset) {
  VIDEOINFOHEADER info{};
  std::memcpy(static_cast<void*>(&info), type.pbFormat, offsetof(VIDEOINFOHEADER, bmiHeader));
  std::memcpy(static_cast<void*>(&info.bmiHeader), type.pbFormat + headerOffset, sizeof(BITMAPINFOHEADER));
  return info;
}

bool PictureSizeUsable(const BITMAPINFOHEADER& header) {
  if (header.biWidth <= 0 || header.biHeight <= 0) return false;
  const std::int64_t rgbBytes = std::int64_t{header.biWidth} * header.biHeight * 3;
  return rgbBytes <= std::numeric_limits<std::int32_t>::max();
}

// Three bytes per pixel at the input's size, with the input's rectangles, frame time and bit
// rates (times 3/2, for 24 instead of 16 bits per pixel).
HRESULT DeriveRgb24Type(const VIDEOINFOHEADER& input, CMediaType* derived) {
  VIDEOINFOHEADER format{};
  format.rcSource = input.rcSource;
  format.rcTarget = input.rcTarget;
  format.dwBitRate = static_cast<DWORD>(input.dwBitRate * 3u) / 2u;
  format.dwBitErrorRate = static_cast<DWORD>(input.dwBitErrorRate * 3u) / 2u;
  format.AvgTimePerFrame = input.AvgTimePerFrame;
  BITMAPINFOHEADER& header = format.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = input.bmiHeader.biWidth;
  header.biHeight = input.bmiHeader.biHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  // In 64 bits: the input check allows pictures whose bit count (x 24) would pass 2^31.
  header.biSizeImage = static_cast<DWORD>(std::int64_t{header.biWidth} * header.biHeight * 3);

  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_RGB24);
  type.SetFormatType(&FORMAT_VideoInfo);
  type.SetTemporalCompression(FALSE);
  type.SetSampleSize(header.biSizeImage);
  if (!type.SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format))) return E_OUTOFMEMORY;
  *derived = std::move(type);
  return S_OK;
}

}  // namespace

HRESULT DescribeInput(const AM_MEDIA_TYPE* type, WorkingInput* working) {
  if (type == nullptr) return E_POINTER;
  const std::size_t headerOffset = BitmapHeaderOffset(type->formattype);
  if (headerOffset == 0) return E_INVALIDARG;
  // The bitmap header is read from the block: a block that cannot hold it is malformed.
  if (type->pbFormat == nullptr || type->cbFormat < headerOffset + sizeof(BITMAPINFOHEADER)) return E_INVALIDARG;

  const VIDEOINFOHEADER input = ReadVideoInfo(*type, headerOffset);
  if (type->majortype != MEDIATYPE_Video) return E_FAIL;
  const bool yuy2 = type->subtype == MEDIASUBTYPE_YUY2;
  const bool rgb24 = type->subtype == MEDIASUBTYPE_RGB24 && input.bmiHeader.biBitCount == 24;
  if (!yuy2 && !rgb24) return E_FAIL;
  // Top-down (negative height) and empty pictures cannot be prepared, and sizes must stay
  // within the 32-bit sample sizes of the allocator.
  if (!PictureSizeUsable(input.bmiHeader)) return E_FAIL;
  if (working == nullptr) return S_OK;

  WorkingInput result;
  result.yuy2 = yuy2;
  if (rgb24 && type->formattype == FORMAT_VideoInfo) {
    if (FAILED(result.type.Set(*type))) return E_OUTOFMEMORY;
  } else {
    const HRESULT hr = DeriveRgb24Type(input, &result.type);
    if (FAILED(hr)) return hr;
  }
  std::memcpy(static_cast<void*>(&result.format), result.type.Format(), sizeof(VIDEOINFOHEADER));
  *working = std::move(result);
  return S_OK;
}

CMediaType MakePreviewType() {
  VIDEOINFOHEADER format{};
  format.rcSource = RECT{0, 0, kPreviewWidth, kPreviewHeight};
  format.dwBitRate = kPreviewBitRate;
  format.AvgTimePerFrame = kPreviewFrameTime;
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = kPreviewWidth;
  format.bmiHeader.biHeight = kPreviewHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  format.bmiHeader.biCompression = BI_RGB;
  format.bmiHeader.biSizeImage = kPreviewBytes;

  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_RGB24);
  type.SetFormatType(&FORMAT_VideoInfo);
  type.SetTemporalCompression(FALSE);
  type.SetSampleSize(kPreviewBytes);
  type.SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
  return type;
}

bool IsRgb24Video(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB24;
}

}  // namespace tarn::venc
