#include "media/registry/ComRuntime.h"

#include "media/base/MemAllocator.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/DeviceEnumerator.h"
#include "media/registry/FilterMapper.h"
#include "media/registry/FilterRegistry.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <new>

namespace tarn::media {
namespace {

struct LoadedLibrary {
  void* handle = nullptr;
  DllGetClassObjectFn getClassObject = nullptr;
  DllCanUnloadNowFn canUnloadNow = nullptr;
};

struct Runtime {
  std::mutex mutex;
  std::map<std::string, LoadedLibrary> libraries;
  std::map<CLSID, BuiltInCreator> builtIns;
  std::string lastError;
};

Runtime& TheRuntime() {
  static Runtime runtime;
  return runtime;
}

CUnknown* CreateMemAllocator(IUnknown* outer, HRESULT* /*phr*/) {
  return new (std::nothrow) CMemAllocator(L"Memory allocator", outer);
}

bool FindBuiltIn(REFCLSID clsid, BuiltInCreator* creator) {
  if (clsid == CLSID_SystemDeviceEnum) {
    *creator = &CSystemDeviceEnum::CreateInstance;
    return true;
  }
  if (clsid == CLSID_FilterMapper2) {
    *creator = &CFilterMapper2::CreateInstance;
    return true;
  }
  if (clsid == CLSID_MemoryAllocator) {
    *creator = &CreateMemAllocator;
    return true;
  }
  Runtime& runtime = TheRuntime();
  std::lock_guard lock(runtime.mutex);
  auto it = runtime.builtIns.find(clsid);
  if (it == runtime.builtIns.end()) return false;
  *creator = it->second;
  return true;
}

HRESULT CreateBuiltIn(BuiltInCreator creator, IUnknown* outer, REFIID riid, void** ppv) {
  if (outer != nullptr && riid != IID_IUnknown) return E_NOINTERFACE;
  HRESULT hr = S_OK;
  CUnknown* object = creator(outer, &hr);
  if (object == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  object->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = object->NonDelegatingQueryInterface(riid, ppv);
  object->NonDelegatingRelease();
  return hr;
}

}  // namespace

void RegisterBuiltInClass(REFCLSID clsid, BuiltInCreator creator) {
  Runtime& runtime = TheRuntime();
  std::lock_guard lock(runtime.mutex);
  runtime.builtIns[clsid] = creator;
}

HRESULT GetClassObjectFromLibrary(const std::string& path, REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  Runtime& runtime = TheRuntime();
  DllGetClassObjectFn getClassObject = nullptr;
  {
    std::lock_guard lock(runtime.mutex);
    auto it = runtime.libraries.find(path);
    if (it == runtime.libraries.end()) {
      void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) {
        const char* message = ::dlerror();
        runtime.lastError = message != nullptr ? message : path + ": cannot be loaded";
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
      }
      LoadedLibrary library;
      library.handle = handle;
      library.getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
      library.canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
      if (library.getClassObject == nullptr) {
        runtime.lastError = path + ": no DllGetClassObject export";
        ::dlclose(handle);
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
      }
      it = runtime.libraries.emplace(path, library).first;
    }
    getClassObject = it->second.getClassObject;
  }
  return getClassObject(clsid, riid, ppv);
}

std::string LastLibraryError() {
  Runtime& runtime = TheRuntime();
  std::lock_guard lock(runtime.mutex);
  return runtime.lastError;
}

std::size_t LoadedLibraryCount() {
  Runtime& runtime = TheRuntime();
  std::lock_guard lock(runtime.mutex);
  return runtime.libraries.size();
}

}  // namespace tarn::media

HRESULT CoInitialize(void* /*reserved*/) { return S_OK; }
HRESULT CoInitializeEx(void* /*reserved*/, DWORD /*flags*/) { return S_OK; }
void CoUninitialize() {}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD /*context*/, void* /*reserved*/, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  tarn::media::RegisteredClass entry;
  HRESULT hr = tarn::media::FilterRegistry().Find(clsid, &entry);
  if (FAILED(hr)) return hr;
  if (entry.libraryPath.empty()) return REGDB_E_CLASSNOTREG;
  return tarn::media::GetClassObjectFromLibrary(entry.libraryPath, clsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  tarn::media::BuiltInCreator creator = nullptr;
  if (tarn::media::FindBuiltIn(clsid, &creator)) return tarn::media::CreateBuiltIn(creator, outer, riid, ppv);

  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, ppv);
  factory->Release();
  return hr;
}

void CoFreeUnusedLibraries() {
  tarn::media::Runtime& runtime = tarn::media::TheRuntime();
  std::lock_guard lock(runtime.mutex);
  for (auto it = runtime.libraries.begin(); it != runtime.libraries.end();) {
    const auto& library = it->second;
    if (library.canUnloadNow != nullptr && library.canUnloadNow() == S_OK) {
      ::dlclose(library.handle);
      it = runtime.libraries.erase(it);
    } else {
      ++it;
    }
  }
}
