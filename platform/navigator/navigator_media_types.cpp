#include "platform/navigator/navigator_media_types.h"

#include "media/dshow/MediaTypeGuids.h"
#include "media/dshow/Structures.h"

namespace tarn::navigator {

REFERENCE_TIME FrameTime(dvd::VideoStandard standard) { return standard == dvd::VideoStandard::kPal ? 400000 : 333667; }

CMediaType MakeMpegVideoType(const dvd::VideoInfo& video) {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_MPEG2_VIDEO);
  type.SetFormatType(&FORMAT_MPEG2Video);
  type.SetVariableSize();
  type.SetTemporalCompression(TRUE);
  MPEG2VIDEOINFO info{};
  info.hdr.AvgTimePerFrame = FrameTime(video.standard);
  info.hdr.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.hdr.bmiHeader.biWidth = video.width;
  info.hdr.bmiHeader.biHeight = video.height;
  info.hdr.rcSource = {0, 0, video.width, video.height};
  info.hdr.rcTarget = info.hdr.rcSource;
  const bool wide = video.aspect == dvd::AspectRatio::k16x9;
  info.hdr.dwPictAspectRatioX = wide ? 16 : 4;
  info.hdr.dwPictAspectRatioY = wide ? 9 : 3;
  type.SetFormat(reinterpret_cast<const BYTE*>(&info), sizeof(info));
  return type;
}

bool MakeDvdAudioType(const dvd::AudioStreamInfo& stream, CMediaType* type) {
  const GUID* subtype = nullptr;
  switch (stream.format) {
    case dvd::AudioFormat::kAc3:
      subtype = &MEDIASUBTYPE_DOLBY_AC3;
      break;
    case dvd::AudioFormat::kMpeg1:
    case dvd::AudioFormat::kMpeg2:
      subtype = &MEDIASUBTYPE_MPEG2_AUDIO;
      break;
    case dvd::AudioFormat::kLpcm:
      subtype = &MEDIASUBTYPE_DVD_LPCM_AUDIO;
      break;
    default:
      return false;
  }
  *type = CMediaType(&MEDIATYPE_Audio);
  type->SetSubtype(subtype);
  type->SetFormatType(&FORMAT_WaveFormatEx);
  type->SetVariableSize();
  WAVEFORMATEX wave{};
  wave.nChannels = static_cast<WORD>(stream.channels > 0 ? stream.channels : 2);
  wave.nSamplesPerSec = static_cast<DWORD>(stream.sampleRate > 0 ? stream.sampleRate : 48000);
  wave.wBitsPerSample = 16;
  wave.nBlockAlign = static_cast<WORD>(wave.nChannels * 2);
  wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
  type->SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof(wave));
  return true;
}

CMediaType MakeSubpictureType() {
  CMediaType type(&MEDIATYPE_Video);
  type.SetSubtype(&MEDIASUBTYPE_DVD_SUBPICTURE);
  type.SetVariableSize();
  return type;
}

}  // namespace tarn::navigator
