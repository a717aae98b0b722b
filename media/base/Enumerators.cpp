#include "media/base/Enumerators.h"

#include "media/base/BaseFilter.h"
#include "media/base/BasePin.h"

#include <new>

CEnumPins::CEnumPins(CBaseFilter* filter, ULONG position)
    : CUnknown(L"Pin enumerator", nullptr), filter_(filter), position_(position) {
  filter_->AddRef();
}

CEnumPins::~CEnumPins() { filter_->Release(); }

HRESULT CEnumPins::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_INVALIDARG;
  ULONG got = 0;
  while (got < count) {
    CBasePin* pin = filter_->GetPin(static_cast<int>(position_));
    if (pin == nullptr) break;
    ++position_;
    pins[got] = pin;
    pin->AddRef();
    ++got;
  }
  if (fetched != nullptr) *fetched = got;
  return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG count) {
  const auto total = static_cast<ULONG>(filter_->GetPinCount());
  if (position_ + count > total) {
    position_ = total;
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT CEnumPins::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  return HandOut(new (std::nothrow) CEnumPins(filter_, position_), enumerator);
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, ULONG position)
    : CUnknown(L"Media type enumerator", nullptr), pin_(pin), position_(position) {
  pin_->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { pin_->Release(); }

HRESULT CEnumMediaTypes::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IEnumMediaTypes) return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_INVALIDARG;
  ULONG got = 0;
  while (got < count) {
    CMediaType type;
    HRESULT hr = pin_->GetMediaType(static_cast<int>(position_), &type);
    if (hr != S_OK) break;
    ++position_;
    types[got] = CreateMediaType(&type);
    if (types[got] == nullptr) break;
    ++got;
  }
  if (fetched != nullptr) *fetched = got;
  return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG count) {
  while (count > 0) {
    CMediaType type;
    if (pin_->GetMediaType(static_cast<int>(position_), &type) != S_OK) return S_FALSE;
    ++position_;
    --count;
  }
  return S_OK;
}

HRESULT CEnumMediaTypes::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  return HandOut(new (std::nothrow) CEnumMediaTypes(pin_, position_), enumerator);
}
