// The system device enumerator over the filter registry: a category's
// filters as monikers with a property bag ("FriendlyName", "CLSID") that
// bind to filter objects through their libraries.
#pragma once

#include "media/com/CUnknown.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/FilterRegistry.h"

#include <memory>
#include <vector>

class CSystemDeviceEnum final : public CUnknown, public ICreateDevEnum {
 public:
  explicit CSystemDeviceEnum(IUnknown* outer);
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Reads the registry file at the time of the call.
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD flags) override;
};

// One registered filter.
class CFilterMoniker final : public CUnknown, public IMoniker {
 public:
  explicit CFilterMoniker(tarn::media::RegisteredClass entry);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Loads the library named in the registry and asks its class factory.
  HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** ppv) override;
  HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** ppv) override;
  HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override;

 private:
  tarn::media::RegisteredClass entry_;
};

class CFilterPropertyBag final : public CUnknown, public IPropertyBag {
 public:
  explicit CFilterPropertyBag(const tarn::media::RegisteredClass& entry);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  // The registry is written by registration only.
  HRESULT Write(LPCOLESTR name, VARIANT* value) override;

 private:
  std::wstring friendlyName_;
  std::wstring clsid_;
};

class CEnumFilterMonikers final : public CUnknown, public IEnumMoniker {
 public:
  using Entries = std::vector<tarn::media::RegisteredClass>;
  CEnumFilterMonikers(std::shared_ptr<const Entries> entries, std::size_t position = 0);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMoniker** enumerator) override;

 private:
  std::shared_ptr<const Entries> entries_;
  std::size_t position_;
};
