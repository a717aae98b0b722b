#include "platform/audio_renderer.h"

#include "platform/media_formats.h"
#include "platform/platform_ids.h"

#include <new>

namespace tarn::platform {

CUnknown* AudioRenderer::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) AudioRenderer(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

AudioRenderer::AudioRenderer(IUnknown* outer) : RendererFilter(L"Audio renderer", outer, kAudioRendererClsid) {}

HRESULT AudioRenderer::CheckMediaType(const CMediaType* mediaType) {
  return PcmFormatOf(*mediaType).has_value() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioRenderer::RenderSample(IMediaSample* sample) {
  const LONG length = sample->GetActualDataLength();
  if (length > 0) bytes_ += length;
  return S_OK;
}

}  // namespace tarn::platform
