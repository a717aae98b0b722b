#include "media/base/SourceStream.h"

#include "media/com/ComPtr.h"
#include "media/dshow/EventCodes.h"

#include <chrono>

CSource::CSource(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid, HRESULT* phr)
    : CBaseFilter(objectName, outer, &m_cStateLock, clsid, phr) {}

CSource::~CSource() {
  // Streams must stop before their pins go (a filter released while running).
  for (auto& stream : m_paStreams)
    if (stream->ThreadExists()) stream->Inactive();
}

int CSource::GetPinCount() {
  CAutoLock lock(&m_cStateLock);
  return static_cast<int>(m_paStreams.size());
}

CBasePin* CSource::GetPin(int n) {
  CAutoLock lock(&m_cStateLock);
  if (n < 0 || n >= static_cast<int>(m_paStreams.size())) return nullptr;
  return m_paStreams[static_cast<std::size_t>(n)].get();
}

HRESULT CSource::AddPin(CSourceStream* stream) {
  if (stream == nullptr) return E_POINTER;
  CAutoLock lock(&m_cStateLock);
  try {
    m_paStreams.emplace_back(stream);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

CSourceStream::CSourceStream(const wchar_t* objectName, HRESULT* phr, CSource* filter, LPCWSTR pinName)
    : CBaseOutputPin(objectName, filter, filter->StateLock(), phr, pinName), m_pFilter(filter) {
  HRESULT hr = filter->AddPin(this);
  if (phr != nullptr && FAILED(hr)) *phr = hr;
}

CSourceStream::~CSourceStream() {
  stopRequested_ = true;
  if (thread_.joinable()) thread_.join();
}

HRESULT CSourceStream::GetMediaType(int position, CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return GetMediaType(mediaType);
}

HRESULT CSourceStream::GetMediaType(CMediaType* /*mediaType*/) { return E_UNEXPECTED; }

HRESULT CSourceStream::CheckMediaType(const CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CMediaType own;
  if (FAILED(GetMediaType(&own))) return E_FAIL;
  return own == *mediaType ? S_OK : E_FAIL;
}

HRESULT CSourceStream::Active() {
  CAutoLock lock(m_pLock);
  if (thread_.joinable()) return S_OK;
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  hr = OnThreadCreate();
  if (FAILED(hr)) {
    CBaseOutputPin::Inactive();
    return hr;
  }
  stopRequested_ = false;
  try {
    thread_ = std::thread([this] { ThreadProc(); });
  } catch (...) {
    OnThreadDestroy();
    CBaseOutputPin::Inactive();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CSourceStream::Inactive() {
  CAutoLock lock(m_pLock);
  stopRequested_ = true;
  // Decommitting wakes a thread waiting for a free buffer.
  HRESULT hr = CBaseOutputPin::Inactive();
  if (thread_.joinable()) {
    thread_.join();
    OnThreadDestroy();
  }
  return hr;
}

void CSourceStream::ThreadProc() {
  if (FAILED(OnThreadStartPlay())) return;
  DoBufferProcessingLoop();
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
  while (!stopRequested_) {
    ComPtr<IMediaSample> sample;
    HRESULT hr = GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) {
      if (stopRequested_) break;
      // Decommitted for a moment (a flush or state change in progress).
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    hr = FillBuffer(sample.Get());
    if (hr == S_OK) {
      hr = Deliver(sample.Get());
      if (hr == S_OK) continue;
      // A stopping or flushing downstream refuses samples: not an error.
      if (FAILED(hr) && !stopRequested_ && hr != VFW_E_WRONG_STATE && hr != VFW_E_NOT_COMMITTED)
        m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
      return hr;
    }
    if (hr == S_FALSE) {
      DeliverEndOfStream();
      return S_OK;
    }
    DeliverEndOfStream();
    m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
  }
  return S_OK;
}
