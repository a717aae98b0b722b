#include "platform/renderer_base.h"

#include "media/dshow/EventCodes.h"

namespace tarn::platform {

RendererInputPin::RendererInputPin(RendererFilter* filter, CCritSec* lock, HRESULT* phr)
    : CBaseInputPin(L"Renderer input", filter, lock, phr, L"In"), renderer_(filter) {}

HRESULT RendererInputPin::CheckMediaType(const CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return renderer_->CheckMediaType(mediaType);
}

HRESULT RendererInputPin::SetMediaType(const CMediaType* mediaType) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mediaType);
  if (SUCCEEDED(hr)) renderer_->OnMediaType(*mediaType);
  return hr;
}

HRESULT RendererInputPin::Receive(IMediaSample* sample) {
  CAutoLock lock(&renderer_->m_csReceive);
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return renderer_->OnReceive(sample);
}

HRESULT RendererInputPin::EndOfStream() {
  CAutoLock lock(&renderer_->m_csReceive);
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return renderer_->OnEndOfStream();
}

HRESULT RendererInputPin::BeginFlush() {
  const HRESULT hr = CBaseInputPin::BeginFlush();
  renderer_->OnFlush();
  return hr;
}

HRESULT RendererInputPin::EndFlush() { return CBaseInputPin::EndFlush(); }

RendererFilter::RendererFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(objectName, outer, &m_csFilter, clsid) {
  HRESULT hr = S_OK;
  pin_ = std::make_unique<RendererInputPin>(this, &m_csFilter, &hr);
}

RendererFilter::~RendererFilter() = default;

CBasePin* RendererFilter::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }

HRESULT RendererFilter::Stop() {
  const HRESULT hr = CBaseFilter::Stop();
  CAutoLock lock(&m_csReceive);
  endOfStream_ = false;
  completionSent_ = false;
  return hr;
}

HRESULT RendererFilter::Pause() {
  CAutoLock lock(&m_csFilter);
  if (IsStopped()) {
    samplesRendered_ = 0;
    endOfStream_ = false;
    completionSent_ = false;
  }
  return CBaseFilter::Pause();
}

HRESULT RendererFilter::Run(REFERENCE_TIME start) {
  const HRESULT hr = CBaseFilter::Run(start);
  if (SUCCEEDED(hr)) SignalCompletionIfDue();
  return hr;
}

HRESULT RendererFilter::OnReceive(IMediaSample* sample) {
  if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
  const HRESULT hr = RenderSample(sample);
  if (SUCCEEDED(hr)) ++samplesRendered_;
  return hr;
}

HRESULT RendererFilter::OnEndOfStream() {
  endOfStream_ = true;
  SignalCompletionIfDue();
  return S_OK;
}

void RendererFilter::OnFlush() {
  endOfStream_ = false;
  completionSent_ = false;
  OnBeginFlush();
}

// The graph counts one completion per renderer, sent while running.
void RendererFilter::SignalCompletionIfDue() {
  if (!endOfStream_ || State() != State_Running) return;
  if (completionSent_.exchange(true)) return;
  NotifyEvent(EC_COMPLETE, S_OK, 0);
}

}  // namespace tarn::platform
