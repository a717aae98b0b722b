// Enumerators of a filter's pins and of a pin's proposed media types.
#pragma once

#include "media/com/CUnknown.h"
#include "media/dshow/Interfaces.h"

class CBaseFilter;
class CBasePin;

class CEnumPins final : public CUnknown, public IEnumPins {
 public:
  CEnumPins(CBaseFilter* filter, ULONG position = 0);
  ~CEnumPins() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumPins** enumerator) override;

 private:
  CBaseFilter* const filter_;  // holds a reference
  ULONG position_;
};

class CEnumMediaTypes final : public CUnknown, public IEnumMediaTypes {
 public:
  CEnumMediaTypes(CBasePin* pin, ULONG position = 0);
  ~CEnumMediaTypes() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMediaTypes** enumerator) override;

 private:
  CBasePin* const pin_;  // holds a reference
  ULONG position_;
};

// Hands a new COM object to an out parameter with one reference; E_OUTOFMEMORY when null.
template <class Interface, class Object>
HRESULT HandOut(Object* object, Interface** out) {
  if (object == nullptr) return E_OUTOFMEMORY;
  object->NonDelegatingAddRef();
  *out = object;
  return S_OK;
}
