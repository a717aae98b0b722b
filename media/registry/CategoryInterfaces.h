// Interfaces of the filter category: the device enumerator, monikers,
// property bags and the filter mapper, with the framework's ids.
#pragma once

#include "media/com/Unknown.h"
#include "media/dshow/FilterSetup.h"

struct IBindCtx;
struct IErrorLog;

// ---- VARIANT, as far as property bags need it ----

using BSTR = wchar_t*;
using VARTYPE = unsigned short;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  BSTR bstrVal = nullptr;  // VT_BSTR: owned, freed by VariantClear
  LONG lVal = 0;           // VT_I4
};

void VariantInit(VARIANT* variant);
HRESULT VariantClear(VARIANT* variant);
BSTR SysAllocString(const wchar_t* text);
void SysFreeString(BSTR text);

// ---- interfaces ----

struct IPropertyBag : IUnknown {
  static constexpr IID kIid{0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
  // A missing property gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
  virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) = 0;
  virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;
};

struct IMoniker : IUnknown {
  static constexpr IID kIid{0x0000000F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  // Creates the named object (for a filter: loads its library and goes
  // through the library's class factory).
  virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** ppv) = 0;
  // IID_IPropertyBag: the registered properties ("FriendlyName", "CLSID").
  virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** ppv) = 0;
  // The display name, allocated with CoTaskMemAlloc.
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) = 0;
};

struct IEnumMoniker : IUnknown {
  static constexpr IID kIid{0x00000102, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMoniker** enumerator) = 0;
};

struct ICreateDevEnum : IUnknown {
  static constexpr IID kIid{0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
  // S_OK with an enumerator; S_FALSE and null when the category is empty.
  virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD flags) = 0;
};

struct IFilterMapper2 : IUnknown {
  static constexpr IID kIid{0xB79BB0B0, 0x33C1, 0x11D1, {0xAB, 0xE1, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};
  virtual HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) = 0;
  // Null category: the legacy filter category. Registering again replaces
  // the earlier entry. No moniker is returned (moniker must be null).
  virtual HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                 LPCWSTR instance, const REGFILTER2* filter) = 0;
  // Removing a filter that is not registered succeeds.
  virtual HRESULT UnregisterFilter(const CLSID* category, LPCWSTR instance, REFCLSID clsid) = 0;
};

inline constexpr IID IID_IPropertyBag = IPropertyBag::kIid;
inline constexpr IID IID_IMoniker = IMoniker::kIid;
inline constexpr IID IID_IEnumMoniker = IEnumMoniker::kIid;
inline constexpr IID IID_ICreateDevEnum = ICreateDevEnum::kIid;
inline constexpr IID IID_IFilterMapper2 = IFilterMapper2::kIid;

inline constexpr CLSID CLSID_SystemDeviceEnum{
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr CLSID CLSID_FilterMapper2{
    0xCDA42200, 0xBD88, 0x11D0, {0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr CLSID CLSID_LegacyAmFilterCategory{
    0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
