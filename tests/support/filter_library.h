// A filter library as the graph meets it: loaded with dlopen, registered in a private filter
// registry, its filters found by friendly name through the device enumerator and bound.
#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "media/com/ClassFactory.h"
#include "media/com/ComPtr.h"
#include "media/dshow/Interfaces.h"
#include "media/registry/FilterRegistry.h"
#include "tests/support/media_test_support.h"

namespace tarn::test {

class LoadedFilterLibrary {
 public:
  explicit LoadedFilterLibrary(const std::string& path);
  ~LoadedFilterLibrary();
  LoadedFilterLibrary(const LoadedFilterLibrary&) = delete;
  LoadedFilterLibrary& operator=(const LoadedFilterLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  void* Symbol(const char* name) const { return ::dlsym(handle_, name); }
  template <class F>
  F Entry(const char* name) const {
    return reinterpret_cast<F>(Symbol(name));
  }

  HRESULT Register() const { return Entry<HRESULT (*)()>("DllRegisterServer")(); }
  HRESULT Unregister() const { return Entry<HRESULT (*)()>("DllUnregisterServer")(); }
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const {
    return Entry<DllGetClassObjectFn>("DllGetClassObject")(clsid, riid, object);
  }
  HRESULT CanUnloadNow() const { return Entry<HRESULT (*)()>("DllCanUnloadNow")(); }

 private:
  void* handle_ = nullptr;
};

// A private filter registry and settings file for one test, named by the environment.
struct PrivateRegistry {
  media_test::TempDir folder;
  std::filesystem::path registry = folder.path() / "filters.ini";
  media_test::ScopedEnv registryVariable{"TARNMEDIA_FILTERS", registry.string()};
  media_test::ScopedEnv iniVariable{"TARNMEDIA_INI", (folder.path() / "TarnMedia.ini").string()};

  std::vector<media::RegisteredClass> Classes() const;
};

std::string RealPath(const std::string& path);

// The first filter of the filter category with this friendly name, bound; null when none is.
ComPtr<IBaseFilter> BindByFriendlyName(std::wstring_view name);

}  // namespace tarn::test
