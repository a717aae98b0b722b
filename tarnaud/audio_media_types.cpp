#include "tarnaud/audio_media_types.h"

#include <algorithm>
#include <cstring>

namespace tarn::aud {
namespace {

constexpr WORD kMaxChannels = 8;
constexpr DWORD kLowestRate = 1'000;
constexpr DWORD kHighestRate = 384'000;

}  // namespace

HRESULT DescribePcm(const AM_MEDIA_TYPE* type, PcmFormat* format) {
  if (type == nullptr) return E_POINTER;
  if (type->majortype != MEDIATYPE_Audio || type->subtype != MEDIASUBTYPE_PCM) return E_FAIL;
  if (type->formattype != FORMAT_WaveFormatEx || type->pbFormat == nullptr ||
      type->cbFormat < sizeof(WAVEFORMATEX) - sizeof(WORD))
    return E_INVALIDARG;
  // The block may end before cbSize (a PCM header without it), so copy what is there.
  WAVEFORMATEX wave{};
  std::memcpy(&wave, type->pbFormat, std::min<std::size_t>(type->cbFormat, sizeof(wave)));
  if (wave.wFormatTag != WAVE_FORMAT_PCM || wave.wBitsPerSample != 16) return E_FAIL;
  if (wave.nChannels == 0 || wave.nChannels > kMaxChannels) return E_FAIL;
  if (wave.nSamplesPerSec < kLowestRate || wave.nSamplesPerSec > kHighestRate) return E_FAIL;
  if (wave.nBlockAlign != wave.nChannels * 2) return E_FAIL;
  if (format != nullptr) *format = PcmFormat{wave.nSamplesPerSec, wave.nChannels};
  return S_OK;
}

CMediaType MakePcmType(PcmFormat format) {
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = format.channels;
  wave.nSamplesPerSec = format.sampleRate;
  wave.wBitsPerSample = 16;
  wave.nBlockAlign = static_cast<WORD>(format.channels * 2);
  wave.nAvgBytesPerSec = format.sampleRate * wave.nBlockAlign;

  CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(&MEDIASUBTYPE_PCM);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  type.SetTemporalCompression(FALSE);
  type.SetSampleSize(wave.nBlockAlign);
  type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof(wave));
  return type;
}

}  // namespace tarn::aud
