#include "platform/media_formats.h"

#include <cstring>

namespace tarn::platform {

const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type) {
  if (type.pbFormat == nullptr) return nullptr;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER))
    return &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  if ((type.formattype == FORMAT_VideoInfo2 || type.formattype == FORMAT_MPEG2Video) &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER2))
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
  return nullptr;
}

std::size_t Rgb24FrameBytes(LONG width, LONG height) {
  return static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height);
}

std::size_t Yuy2FrameBytes(LONG width, LONG height) {
  return (static_cast<std::size_t>(width) + 1) / 2 * 4 * static_cast<std::size_t>(height);
}

CMediaType MakeVideoType(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME frameTime) {
  const bool rgb = subtype == MEDIASUBTYPE_RGB24;
  VIDEOINFOHEADER format{};
  format.rcSource = {0, 0, width, height};
  format.rcTarget = format.rcSource;
  format.AvgTimePerFrame = frameTime;
  BITMAPINFOHEADER& header = format.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = rgb ? 24 : 16;
  header.biCompression = rgb ? BI_RGB : subtype.Data1;
  const std::size_t bytes = rgb ? Rgb24FrameBytes(width, height) : Yuy2FrameBytes(width, height);
  header.biSizeImage = static_cast<DWORD>(bytes);
  format.dwBitRate =
      frameTime > 0 ? static_cast<DWORD>(static_cast<double>(bytes) * 8.0 * UNITS / static_cast<double>(frameTime)) : 0;

  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&subtype);
  type.SetFormatType(&FORMAT_VideoInfo);
  type.SetTemporalCompression(FALSE);
  type.SetSampleSize(static_cast<ULONG>(bytes));
  type.SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof(format));
  return type;
}

std::optional<PcmFormat> PcmFormatOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM) return std::nullopt;
  if (type.formattype != FORMAT_WaveFormatEx || type.pbFormat == nullptr || type.cbFormat < sizeof(WAVEFORMATEX))
    return std::nullopt;
  WAVEFORMATEX wave;
  std::memcpy(&wave, type.pbFormat, sizeof(wave));
  if (wave.wFormatTag != WAVE_FORMAT_PCM || wave.nChannels == 0 || wave.nSamplesPerSec == 0) return std::nullopt;
  if (wave.wBitsPerSample != 8 && wave.wBitsPerSample != 16) return std::nullopt;
  return PcmFormat{wave.nChannels, wave.nSamplesPerSec, wave.wBitsPerSample};
}

CMediaType MakePcmType(const PcmFormat& format) {
  WAVEFORMATEX wave;
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = format.channels;
  wave.nSamplesPerSec = format.sampleRate;
  wave.wBitsPerSample = format.bitsPerSample;
  wave.nBlockAlign = format.BlockAlign();
  wave.nAvgBytesPerSec = format.sampleRate * wave.nBlockAlign;
  wave.cbSize = 0;

  CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(&MEDIASUBTYPE_PCM);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  type.SetSampleSize(wave.nBlockAlign);
  type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof(wave));
  return type;
}

}  // namespace tarn::platform
