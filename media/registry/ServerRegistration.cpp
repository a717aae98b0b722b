#include "media/registry/ServerRegistration.h"

#include "media/com/ComPtr.h"
#include "media/dshow/FilterSetup.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/FilterRegistry.h"

#include <dlfcn.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace tarn::media {
namespace {

REGFILTER2 DescriptionOf(const AMOVIESETUP_FILTER& setup) {
  REGFILTER2 description;
  description.dwVersion = 1;
  description.dwMerit = setup.dwMerit;
  description.cPins = setup.nPins;
  description.rgPins = setup.lpPin;
  return description;
}

// A missing entry is no failure for removal.
HRESULT IgnoreNotFound(HRESULT hr) { return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr; }

}  // namespace

HRESULT ModulePath(const void* address, std::string* path) {
  if (path == nullptr) return E_POINTER;
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return E_FAIL;
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) == nullptr) return HResultFromErrno(errno);
  *path = resolved;
  return S_OK;
}

HRESULT RegisterServer(std::span<const CFactoryTemplate> templates) {
  std::string library;
  // This function is linked into the library being registered.
  HRESULT hr = ModulePath(reinterpret_cast<const void*>(&RegisterServer), &library);
  if (FAILED(hr)) return hr;

  const FilterRegistry registry;
  for (const CFactoryTemplate& entry : templates) {
    if (entry.m_ClsID == nullptr) continue;
    hr = registry.RegisterClass(*entry.m_ClsID, entry.m_Name != nullptr ? entry.m_Name : L"", library, "Both");
    if (FAILED(hr)) return hr;
  }

  ComPtr<IFilterMapper2> mapper;
  hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                        mapper.ReleaseAndGetAddressOfVoid());
  if (FAILED(hr)) return hr;
  for (const CFactoryTemplate& entry : templates) {
    const AMOVIESETUP_FILTER* setup = entry.m_pAMovieSetup_Filter;
    if (entry.m_ClsID == nullptr || setup == nullptr) continue;
    const REGFILTER2 description = DescriptionOf(*setup);
    hr = IgnoreNotFound(mapper->RegisterFilter(*entry.m_ClsID, entry.m_Name, nullptr, &CLSID_LegacyAmFilterCategory,
                                               nullptr, &description));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT UnregisterServer(std::span<const CFactoryTemplate> templates) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                mapper.ReleaseAndGetAddressOfVoid());
  if (FAILED(hr)) return hr;
  for (const CFactoryTemplate& entry : templates) {
    if (entry.m_ClsID == nullptr || entry.m_pAMovieSetup_Filter == nullptr) continue;
    hr = IgnoreNotFound(mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *entry.m_ClsID));
    if (FAILED(hr)) return hr;
  }
  const FilterRegistry registry;
  for (const CFactoryTemplate& entry : templates) {
    if (entry.m_ClsID == nullptr) continue;
    hr = IgnoreNotFound(registry.UnregisterClass(*entry.m_ClsID));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace tarn::media
