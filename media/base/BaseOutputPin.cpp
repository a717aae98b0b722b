#include "media/base/BaseOutputPin.h"

#include "media/base/MemAllocator.h"

CBaseOutputPin::CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                               LPCWSTR pinName)
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() { CBaseOutputPin::BreakConnect(); }

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  IMemInputPin* input = nullptr;
  hr = QueryInterfaceAs(pin, &input);
  if (FAILED(hr)) return VFW_E_NO_TRANSPORT;
  if (m_pInputPin != nullptr) m_pInputPin->Release();
  m_pInputPin = input;
  return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* /*receivePin*/) { return DecideAllocator(m_pInputPin, &m_pAllocator); }

HRESULT CBaseOutputPin::BreakConnect() {
  if (m_pAllocator != nullptr) {
    m_pAllocator->Decommit();
    m_pAllocator->Release();
    m_pAllocator = nullptr;
  }
  if (m_pInputPin != nullptr) {
    m_pInputPin->Release();
    m_pInputPin = nullptr;
  }
  return S_OK;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) { return CMemAllocator::Create(allocator); }

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (pin == nullptr || allocator == nullptr) return E_POINTER;
  if (*allocator != nullptr) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  ALLOCATOR_PROPERTIES props{};
  pin->GetAllocatorRequirements(&props);  // optional: failure leaves zeros
  if (props.cbAlign == 0) props.cbAlign = 1;

  HRESULT hr = pin->GetAllocator(allocator);
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES request = props;
    hr = DecideBufferSize(*allocator, &request);
    if (SUCCEEDED(hr)) {
      hr = pin->NotifyAllocator(*allocator, FALSE);
      if (SUCCEEDED(hr)) return S_OK;
    }
  }
  if (*allocator != nullptr) {
    (*allocator)->Release();
    *allocator = nullptr;
  }

  hr = InitAllocator(allocator);
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES request = props;
    hr = DecideBufferSize(*allocator, &request);
    if (SUCCEEDED(hr)) {
      hr = pin->NotifyAllocator(*allocator, FALSE);
      if (SUCCEEDED(hr)) return S_OK;
    }
  }
  if (*allocator != nullptr) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  return hr;
}

HRESULT CBaseOutputPin::Active() {
  if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
  m_bRunTimeError = false;
  if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->Decommit();
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                          DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  if (m_pAllocator == nullptr) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (m_pInputPin == nullptr) return VFW_E_NOT_CONNECTED;
  return m_pInputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* peer = GetConnected();
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  return peer->NewSegment(start, stop, rate);
}

HRESULT CBaseOutputPin::EndOfStream() { return E_UNEXPECTED; }
HRESULT CBaseOutputPin::BeginFlush() { return E_UNEXPECTED; }
HRESULT CBaseOutputPin::EndFlush() { return E_UNEXPECTED; }
