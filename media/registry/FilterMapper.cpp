#include "media/registry/FilterMapper.h"

#include "media/registry/FilterRegistry.h"

#include <new>

CFilterMapper2::CFilterMapper2(IUnknown* outer) : CUnknown(L"Filter mapper", outer) {}

CUnknown* CFilterMapper2::CreateInstance(IUnknown* outer, HRESULT* /*phr*/) {
  return new (std::nothrow) CFilterMapper2(outer);
}

HRESULT CFilterMapper2::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IFilterMapper2) return GetInterface(static_cast<IFilterMapper2*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

// Categories need no entry of their own: a filter names its category.
HRESULT CFilterMapper2::CreateCategory(REFCLSID, DWORD, LPCWSTR) { return S_OK; }

HRESULT CFilterMapper2::RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                       LPCWSTR /*instance*/, const REGFILTER2* filter) {
  if (name == nullptr || filter == nullptr) return E_POINTER;
  if (moniker != nullptr) *moniker = nullptr;
  if (filter->dwVersion != 1) return E_NOTIMPL;
  if (filter->cPins > 0 && filter->rgPins == nullptr) return E_POINTER;
  const CLSID& where = category != nullptr ? *category : CLSID_LegacyAmFilterCategory;
  return tarn::media::FilterRegistry().RegisterFilter(clsid, tarn::media::FilterFromSetup(*filter, name, where));
}

HRESULT CFilterMapper2::UnregisterFilter(const CLSID* /*category*/, LPCWSTR /*instance*/, REFCLSID clsid) {
  return tarn::media::FilterRegistry().UnregisterFilter(clsid);
}
