// IUnknown and IClassFactory, the root interfaces of every object.
//
// Each interface carries its id as the static member kIid so that ComPtr
// and QueryInterfaceAs can ask for it without spelling the id twice.
#pragma once

#include "media/com/Guid.h"
#include "media/com/HResult.h"

struct IUnknown {
  static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
  static constexpr IID kIid{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

struct IPersist : IUnknown {
  static constexpr IID kIid{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

inline constexpr IID IID_IUnknown = IUnknown::kIid;
inline constexpr IID IID_IClassFactory = IClassFactory::kIid;
inline constexpr IID IID_IPersist = IPersist::kIid;

// QueryInterface with the interface id taken from the target type.
template <class T>
HRESULT QueryInterfaceAs(IUnknown* object, T** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (object == nullptr) return E_POINTER;
  return object->QueryInterface(T::kIid, reinterpret_cast<void**>(out));
}
