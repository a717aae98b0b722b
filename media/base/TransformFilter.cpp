#include "media/base/TransformFilter.h"

#include "media/com/ComPtr.h"
#include "media/dshow/EventCodes.h"

#include <cstring>
#include <cwchar>
#include <new>

namespace {

HRESULT CopyToTaskMemory(const wchar_t* text, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*out == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*out, text, bytes);
  return S_OK;
}

}  // namespace

// ---- input pin ----

CTransformInputPin::CTransformInputPin(const wchar_t* objectName, CTransformFilter* filter, HRESULT* phr,
                                       LPCWSTR pinName)
    : CBaseInputPin(objectName, filter, &filter->m_csFilter, phr, pinName), transform_(filter) {}

HRESULT CTransformInputPin::CheckConnect(IPin* pin) {
  HRESULT hr = transform_->CheckConnect(PINDIR_INPUT, pin);
  if (FAILED(hr)) return hr;
  return CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_INPUT);
  return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin) {
  HRESULT hr = transform_->CompleteConnect(PINDIR_INPUT, receivePin);
  if (FAILED(hr)) return hr;
  return CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* mediaType) {
  HRESULT hr = transform_->CheckInputType(mediaType);
  if (hr != S_OK) return hr;
  // With the output already connected the new input must still fit it.
  CTransformOutputPin* output = transform_->OutputPin();
  if (output != nullptr && output->IsConnected())
    return transform_->CheckTransform(mediaType, &output->CurrentMediaType());
  return hr;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* mediaType) {
  HRESULT hr = CBasePin::SetMediaType(mediaType);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_INPUT, mediaType);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) {
  CAutoLock lock(&transform_->m_csReceive);
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr == S_OK) hr = transform_->Receive(sample);
  return hr;
}

HRESULT CTransformInputPin::EndOfStream() {
  CAutoLock lock(&transform_->m_csReceive);
  HRESULT hr = CheckStreaming();
  if (hr == S_OK) hr = transform_->EndOfStream();
  return hr;
}

HRESULT CTransformInputPin::BeginFlush() {
  CAutoLock lock(&transform_->m_csFilter);
  if (!IsConnected() || transform_->OutputPin() == nullptr || !transform_->OutputPin()->IsConnected())
    return VFW_E_NOT_CONNECTED;
  HRESULT hr = CBaseInputPin::BeginFlush();
  if (FAILED(hr)) return hr;
  return transform_->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush() {
  CAutoLock lock(&transform_->m_csFilter);
  if (!IsConnected() || transform_->OutputPin() == nullptr || !transform_->OutputPin()->IsConnected())
    return VFW_E_NOT_CONNECTED;
  HRESULT hr = transform_->EndFlush();
  if (FAILED(hr)) return hr;
  return CBaseInputPin::EndFlush();
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CBasePin::NewSegment(start, stop, rate);
  return transform_->NewSegment(start, stop, rate);
}

HRESULT CTransformInputPin::QueryId(LPWSTR* id) { return CopyToTaskMemory(L"In", id); }

// ---- output pin ----

CTransformOutputPin::CTransformOutputPin(const wchar_t* objectName, CTransformFilter* filter, HRESULT* phr,
                                         LPCWSTR pinName)
    : CBaseOutputPin(objectName, filter, &filter->m_csFilter, phr, pinName), transform_(filter) {}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin) {
  // The output type depends on the input, so the input connects first.
  CTransformInputPin* input = transform_->InputPin();
  if (input == nullptr || !input->IsConnected()) return E_UNEXPECTED;
  HRESULT hr = transform_->CheckConnect(PINDIR_OUTPUT, pin);
  if (FAILED(hr)) return hr;
  return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::BreakConnect() {
  transform_->BreakConnect(PINDIR_OUTPUT);
  return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin) {
  HRESULT hr = transform_->CompleteConnect(PINDIR_OUTPUT, receivePin);
  if (FAILED(hr)) return hr;
  return CBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* mediaType) {
  CTransformInputPin* input = transform_->InputPin();
  if (input == nullptr || !input->IsConnected()) return E_INVALIDARG;
  return transform_->CheckTransform(&input->CurrentMediaType(), mediaType);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* mediaType) {
  HRESULT hr = CBasePin::SetMediaType(mediaType);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_OUTPUT, mediaType);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* mediaType) {
  CTransformInputPin* input = transform_->InputPin();
  if (input == nullptr || !input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  return transform_->GetMediaType(position, mediaType);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  return transform_->DecideBufferSize(allocator, request);
}

HRESULT CTransformOutputPin::QueryId(LPWSTR* id) { return CopyToTaskMemory(L"Out", id); }

// ---- filter ----

CTransformFilter::CTransformFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(objectName, outer, &m_csFilter, clsid) {}

CTransformFilter::~CTransformFilter() = default;

bool CTransformFilter::CreatePins() {
  if (m_pInput && m_pOutput) return true;
  HRESULT hr = S_OK;
  m_pInput.reset(new (std::nothrow) CTransformInputPin(L"Transform input pin", this, &hr, L"XForm In"));
  m_pOutput.reset(new (std::nothrow) CTransformOutputPin(L"Transform output pin", this, &hr, L"XForm Out"));
  if (!m_pInput || !m_pOutput || FAILED(hr)) {
    m_pOutput.reset();
    m_pInput.reset();
    return false;
  }
  return true;
}

int CTransformFilter::GetPinCount() { return 2; }

CBasePin* CTransformFilter::GetPin(int n) {
  CAutoLock lock(&m_csFilter);
  if (!CreatePins()) return nullptr;
  if (n == 0) return m_pInput.get();
  if (n == 1) return m_pOutput.get();
  return nullptr;
}

HRESULT CTransformFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  std::wstring_view name(id);
  if (name == L"In") return CBaseFilter::FindPin(L"XForm In", pin);
  if (name == L"Out") return CBaseFilter::FindPin(L"XForm Out", pin);
  return CBaseFilter::FindPin(id, pin);
}

bool CTransformFilter::BothPinsConnected() {
  return m_pInput && m_pOutput && m_pInput->IsConnected() && m_pOutput->IsConnected();
}

HRESULT CTransformFilter::Stop() {
  CAutoLock lock(&m_csFilter);
  if (m_State == State_Stopped) return S_OK;
  if (!BothPinsConnected()) {
    DeactivatePins();
    m_State = State_Stopped;
    m_bEOSDelivered = false;
    return S_OK;
  }
  // The input goes inactive first so that no new sample gets in; then we
  // wait for the sample in hand by taking the receive lock.
  m_pInput->Inactive();
  CAutoLock receiveLock(&m_csReceive);
  m_pOutput->Inactive();
  HRESULT hr = StopStreaming();
  // The pins are inactive whatever StopStreaming says, so the filter is
  // stopped: staying "paused" would let samples reach a filter whose
  // streaming resources are gone.
  m_State = State_Stopped;
  m_bEOSDelivered = false;
  return hr;
}

HRESULT CTransformFilter::Pause() {
  CAutoLock lock(&m_csFilter);
  HRESULT hr = S_OK;
  if (m_State == State_Paused) {
    // Nothing to do.
  } else if (!m_pInput || !m_pInput->IsConnected()) {
    // Without an input nothing will ever arrive: end the stream downstream.
    if (m_pOutput && m_pOutput->IsConnected() && !m_bEOSDelivered) {
      m_pOutput->DeliverEndOfStream();
      m_bEOSDelivered = true;
    }
    m_State = State_Paused;
  } else if (!m_pOutput || !m_pOutput->IsConnected()) {
    m_State = State_Paused;
  } else {
    if (m_State == State_Stopped) {
      CAutoLock receiveLock(&m_csReceive);
      hr = StartStreaming();
      if (FAILED(hr)) return hr;
      hr = CBaseFilter::Pause();
      if (FAILED(hr)) {
        // The pins did not go active: undo the start so that nothing leaks.
        StopStreaming();
        return hr;
      }
    } else {
      hr = CBaseFilter::Pause();
    }
  }
  m_bSampleSkipped = false;
  m_bQualityChanged = false;
  return hr;
}

HRESULT CTransformFilter::Transform(IMediaSample* /*in*/, IMediaSample* /*out*/) { return E_UNEXPECTED; }
HRESULT CTransformFilter::StartStreaming() { return S_OK; }
HRESULT CTransformFilter::StopStreaming() { return S_OK; }
HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION) { return S_OK; }
HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* in, IMediaSample** out) {
  DWORD flags = 0;
  if (m_bSampleSkipped) flags |= AM_GBF_PREVFRAMESKIPPED;
  if (in->IsSyncPoint() != S_OK) flags |= AM_GBF_NOTASYNCPOINT;

  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = in->GetTime(&start, &stop) == S_OK;
  IMediaSample* sample = nullptr;
  HRESULT hr = m_pOutput->GetDeliveryBuffer(&sample, timed ? &start : nullptr, timed ? &stop : nullptr, flags);
  if (FAILED(hr)) return hr;

  if (timed) sample->SetTime(&start, &stop);
  sample->SetSyncPoint(in->IsSyncPoint() == S_OK);
  sample->SetPreroll(in->IsPreroll() == S_OK);
  sample->SetDiscontinuity(in->IsDiscontinuity() == S_OK || m_bSampleSkipped);
  LONGLONG mediaStart = 0, mediaStop = 0;
  if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK) sample->SetMediaTime(&mediaStart, &mediaStop);
  *out = sample;
  return S_OK;
}

HRESULT CTransformFilter::Receive(IMediaSample* sample) {
  IMediaSample* out = nullptr;
  HRESULT hr = InitializeOutputSample(sample, &out);
  if (FAILED(hr)) return hr;
  ComPtr<IMediaSample> output = ComPtr<IMediaSample>::Attach(out);

  hr = Transform(sample, output.Get());
  if (FAILED(hr)) return hr;
  if (hr == S_OK) {
    hr = m_pOutput->Deliver(output.Get());
    m_bSampleSkipped = false;
    return hr;
  }
  // S_FALSE: the transform chose not to deliver this sample.
  m_bSampleSkipped = true;
  if (!m_bQualityChanged) {
    NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
    m_bQualityChanged = true;
  }
  return S_OK;
}

HRESULT CTransformFilter::EndOfStream() {
  if (!m_pOutput) return S_OK;
  return m_pOutput->DeliverEndOfStream();
}

HRESULT CTransformFilter::BeginFlush() { return m_pOutput->DeliverBeginFlush(); }
HRESULT CTransformFilter::EndFlush() { return m_pOutput->DeliverEndFlush(); }

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!m_pOutput || !m_pOutput->IsConnected()) return S_OK;
  return m_pOutput->DeliverNewSegment(start, stop, rate);
}
