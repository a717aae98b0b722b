#include "platform/video_renderer.h"

#include "platform/media_formats.h"
#include "platform/platform_ids.h"

#include <cstring>
#include <new>

namespace tarn::platform {

CUnknown* VideoRenderer::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) VideoRenderer(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

VideoRenderer::VideoRenderer(IUnknown* outer)
    : RendererFilter(L"Video renderer", outer, kVideoRendererClsid), window_(GetOwner()) {}

HRESULT VideoRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IVideoWindow) return GetInterface(&window_, ppv);
  if (riid == IID_ITarnVideoOutput) return GetInterface(&output_, ppv);
  return RendererFilter::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT VideoRenderer::CheckMediaType(const CMediaType* mediaType) {
  if (mediaType->majortype != MEDIATYPE_Video) return VFW_E_TYPE_NOT_ACCEPTED;
  if (mediaType->subtype != MEDIASUBTYPE_RGB24 && mediaType->subtype != MEDIASUBTYPE_YUY2)
    return VFW_E_TYPE_NOT_ACCEPTED;
  const BITMAPINFOHEADER* header = VideoBitmapHeader(*mediaType);
  if (header == nullptr || header->biWidth <= 0 || header->biHeight == 0) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

void VideoRenderer::OnMediaType(const CMediaType& mediaType) {
  std::lock_guard lock(mutex_);
  // An upstream filter may attach its type to every sample (the encoder does, to each kept frame):
  // the same type again changes nothing, and clearing the picture and resizing the window for it
  // would cost the streaming thread a picture's worth of work per frame.
  if (!sinkPicture_.empty() && mediaType == type_) return;
  type_ = mediaType;
  sinkLayout_ = Rgb32LayoutOf(mediaType);
  sinkPicture_.assign(sinkLayout_.Bytes(), 0);
  if (const BITMAPINFOHEADER* header = VideoBitmapHeader(mediaType))
    window_.SetVideoSize(header->biWidth, header->biHeight < 0 ? -header->biHeight : header->biHeight);
}

HRESULT VideoRenderer::RenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  const HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const LONG length = sample->GetActualDataLength();
  if (length < 0) return E_INVALIDARG;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  sample->GetTime(&start, &stop);

  std::lock_guard lock(mutex_);
  // The picture buffer keeps its size from one sample to the next.
  lastPicture_.resize(static_cast<std::size_t>(length));
  std::memcpy(lastPicture_.data(), data, lastPicture_.size());
  if (presenter_) presenter_->Present(type_, lastPicture_.data(), lastPicture_.size(), start);
  PresentToSink(start);
  return S_OK;
}

void VideoRenderer::PresentToSink(REFERENCE_TIME start) {
  if (!sink_ || sinkPicture_.empty()) return;
  if (!ToRgb32(sinkLayout_, lastPicture_.data(), lastPicture_.size(), sinkPicture_.data())) return;
  sink_->PresentPicture(sinkPicture_.data(), sinkLayout_.width, sinkLayout_.height, sinkLayout_.width * 4, start);
}

HRESULT VideoRenderer::SetPictureSink(ITarnPictureSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = ComPtr<ITarnPictureSink>(sink);
  return S_OK;
}

void VideoRenderer::SetPresenter(std::shared_ptr<VideoPresenter> presenter) {
  std::lock_guard lock(mutex_);
  presenter_ = std::move(presenter);
}

std::vector<std::uint8_t> VideoRenderer::LastPicture() const {
  std::lock_guard lock(mutex_);
  return lastPicture_;
}

}  // namespace tarn::platform
