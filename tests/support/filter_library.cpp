#include "tests/support/filter_library.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"

namespace tarn::test {

LoadedFilterLibrary::LoadedFilterLibrary(const std::string& path)
    : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) ADD_FAILURE() << ::dlerror();
}

LoadedFilterLibrary::~LoadedFilterLibrary() {
  CoFreeUnusedLibraries();
  if (handle_ != nullptr) ::dlclose(handle_);
}

std::vector<media::RegisteredClass> PrivateRegistry::Classes() const {
  std::vector<media::RegisteredClass> classes;
  EXPECT_EQ(media::FilterRegistry(registry).Load(&classes), S_OK);
  return classes;
}

std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  std::string result = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return result;
}

ComPtr<IBaseFilter> BindByFriendlyName(std::wstring_view name) {
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.ReleaseAndGetAddressOfVoid())) ||
      devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
    return {};
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid()))) continue;
    VARIANT friendly;
    VariantInit(&friendly);
    const bool match = bag->Read(L"FriendlyName", &friendly, nullptr) == S_OK && friendly.vt == VT_BSTR &&
                       std::wstring_view(friendly.bstrVal) == name;
    VariantClear(&friendly);
    ComPtr<IBaseFilter> filter;
    if (match &&
        SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid())))
      return filter;
  }
  return {};
}

}  // namespace tarn::test
