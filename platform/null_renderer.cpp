#include "platform/null_renderer.h"

#include "platform/media_formats.h"
#include "platform/platform_ids.h"

#include <new>

namespace tarn::platform {

CUnknown* NullRenderer::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) NullRenderer(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

NullRenderer::NullRenderer(IUnknown* outer)
    : RendererFilter(L"Null renderer", outer, kNullRendererClsid), window_(GetOwner()) {}

HRESULT NullRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IVideoWindow) return GetInterface(&window_, ppv);
  return RendererFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT NullRenderer::CheckMediaType(const CMediaType* mediaType) {
  return mediaType->majortype != GUID_NULL ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void NullRenderer::OnMediaType(const CMediaType& mediaType) {
  if (const BITMAPINFOHEADER* header = VideoBitmapHeader(mediaType))
    window_.SetVideoSize(header->biWidth, header->biHeight < 0 ? -header->biHeight : header->biHeight);
}

HRESULT NullRenderer::RenderSample(IMediaSample*) { return S_OK; }

}  // namespace tarn::platform
