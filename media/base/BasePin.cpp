#include "media/base/BasePin.h"

#include "media/base/BaseFilter.h"
#include "media/base/Enumerators.h"
#include "media/com/ComPtr.h"

#include <cstring>
#include <cwchar>
#include <new>

CBasePin::CBasePin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* /*phr*/, LPCWSTR pinName,
                   PIN_DIRECTION direction)
    : CUnknown(objectName, nullptr),
      m_pFilter(filter),
      m_pLock(lock),
      name_(pinName != nullptr ? pinName : L""),
      direction_(direction) {}

CBasePin::~CBasePin() { ReleaseConnected(); }

HRESULT CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IPin) return GetInterface(static_cast<IPin*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

// The pin's count is the filter's: pins live exactly as long as their filter.
ULONG CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }
ULONG CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

bool CBasePin::IsStopped() const { return m_pFilter->IsStopped(); }

void CBasePin::ReleaseConnected() {
  if (connected_ != nullptr) {
    connected_->Release();
    connected_ = nullptr;
  }
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
  if (receivePin == nullptr) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (connected_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;
  if (mediaType == nullptr) return AgreeMediaType(receivePin, nullptr);
  CMediaType wanted(*mediaType);
  return AgreeMediaType(receivePin, &wanted);
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* mediaType) {
  if (mediaType != nullptr && !mediaType->IsPartiallySpecified()) return AttemptConnection(receivePin, mediaType);

  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int round = 0; round < 2; ++round) {
    const bool peerTypes = (round == 0) != m_bTryMyTypesFirst;
    ComPtr<IEnumMediaTypes> types;
    HRESULT hr = peerTypes ? receivePin->EnumMediaTypes(types.ReleaseAndGetAddressOf())
                           : EnumMediaTypes(types.ReleaseAndGetAddressOf());
    if (FAILED(hr) || !types) continue;
    hr = TryMediaTypes(receivePin, mediaType, types.Get());
    if (SUCCEEDED(hr)) return S_OK;
    // Keep the most telling reason; plain refusals say no more than the default.
    if (hr != E_FAIL && hr != E_INVALIDARG && hr != VFW_E_TYPE_NOT_ACCEPTED && hr != VFW_E_NO_ACCEPTABLE_TYPES)
      failure = hr;
  }
  return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* mediaType, IEnumMediaTypes* types) {
  types->Reset();
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (;;) {
    AM_MEDIA_TYPE* candidate = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &candidate, &fetched) != S_OK || fetched != 1) break;
    CMediaType type(*candidate);
    DeleteMediaType(candidate);
    if (mediaType != nullptr && !type.MatchesPartial(mediaType)) continue;
    HRESULT hr = AttemptConnection(receivePin, &type);
    if (SUCCEEDED(hr)) return hr;
    failure = hr;
  }
  return failure;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* mediaType) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(mediaType);
  if (hr == S_OK) {
    connected_ = receivePin;
    connected_->AddRef();
    hr = SetMediaType(mediaType);
    if (SUCCEEDED(hr)) {
      hr = receivePin->ReceiveConnection(this, mediaType);
      if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receivePin);
        if (SUCCEEDED(hr)) return hr;
        receivePin->Disconnect();
      }
    }
  } else if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) {
    hr = VFW_E_TYPE_NOT_ACCEPTED;
  }
  BreakConnect();
  ReleaseConnected();
  return hr;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
  if (connector == nullptr || mediaType == nullptr) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (connected_ != nullptr) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;

  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  CMediaType type(*mediaType);
  hr = CheckMediaType(&type);
  if (hr != S_OK) {
    BreakConnect();
    return (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  connected_ = connector;
  connected_->AddRef();
  hr = SetMediaType(&type);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (SUCCEEDED(hr)) return S_OK;
  ReleaseConnected();
  BreakConnect();
  return hr;
}

HRESULT CBasePin::Disconnect() {
  CAutoLock lock(m_pLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
  if (connected_ == nullptr) return S_FALSE;
  HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  ReleaseConnected();
  return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  CAutoLock lock(m_pLock);
  *pin = connected_;
  if (connected_ == nullptr) return VFW_E_NOT_CONNECTED;
  connected_->AddRef();
  return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (connected_ == nullptr) {
    *mediaType = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(mediaType, &mt_);
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  info->pFilter = m_pFilter;
  m_pFilter->AddRef();
  info->dir = direction_;
  CopyWideName(info->achName, MAX_PIN_NAME, name_.c_str());
  return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) {
  if (id == nullptr) return E_POINTER;
  const std::size_t bytes = (name_.size() + 1) * sizeof(WCHAR);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (*id == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CMediaType type(*mediaType);
  HRESULT hr = CheckMediaType(&type);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT CBasePin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  return HandOut(new (std::nothrow) CEnumMediaTypes(this), enumerator);
}

HRESULT CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) { return E_NOTIMPL; }

HRESULT CBasePin::EndOfStream() { return S_OK; }

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

HRESULT CBasePin::GetMediaType(int /*position*/, CMediaType* /*mediaType*/) { return E_UNEXPECTED; }

HRESULT CBasePin::SetMediaType(const CMediaType* mediaType) { return mt_.Set(*mediaType); }

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION peer;
  HRESULT hr = pin->QueryDirection(&peer);
  if (FAILED(hr)) return hr;
  return peer == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }
HRESULT CBasePin::CompleteConnect(IPin* /*receivePin*/) { return S_OK; }
HRESULT CBasePin::Active() { return S_OK; }
HRESULT CBasePin::Inactive() {
  m_bRunTimeError = false;
  return S_OK;
}
HRESULT CBasePin::Run(REFERENCE_TIME start) {
  m_tStart = start;
  return S_OK;
}

void CopyWideName(WCHAR* dest, std::size_t capacity, LPCWSTR source) {
  if (capacity == 0) return;
  std::size_t i = 0;
  if (source != nullptr)
    for (; i + 1 < capacity && source[i] != L'\0'; ++i) dest[i] = source[i];
  dest[i] = L'\0';
}
