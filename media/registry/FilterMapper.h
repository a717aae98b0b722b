// CFilterMapper2: registers filters of a library into the filter registry.
#pragma once

#include "media/com/CUnknown.h"
#include "media/registry/CategoryInterfaces.h"

class CFilterMapper2 final : public CUnknown, public IFilterMapper2 {
 public:
  explicit CFilterMapper2(IUnknown* outer);
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override;
  HRESULT RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker, const CLSID* category, LPCWSTR instance,
                         const REGFILTER2* filter) override;
  HRESULT UnregisterFilter(const CLSID* category, LPCWSTR instance, REFCLSID clsid) override;
};
