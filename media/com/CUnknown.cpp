#include "media/com/CUnknown.h"

namespace {
std::atomic<LONG> g_objectCount{0};
std::atomic<LONG> g_lockCount{0};
}  // namespace

CUnknown::CUnknown(const wchar_t* name, IUnknown* outer) : name_(name), owner_(outer != nullptr ? outer : &inner_) {
  ++g_objectCount;
}

CUnknown::CUnknown(const wchar_t* name, IUnknown* outer, HRESULT* /*phr*/) : CUnknown(name, outer) {}

CUnknown::~CUnknown() { --g_objectCount; }

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IUnknown) return GetInterface(&inner_, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() { return static_cast<ULONG>(++refCount_); }

ULONG CUnknown::NonDelegatingRelease() {
  LONG count = --refCount_;
  if (count == 0) {
    // Guard against re-entry through AddRef/Release during destruction.
    refCount_ = 1;
    delete this;
    return 0;
  }
  return static_cast<ULONG>(count);
}

LONG ModuleObjectCount() { return g_objectCount.load(); }
LONG ModuleLockCount() { return g_lockCount.load(); }

void ModuleLockServer(bool lock) {
  if (lock)
    ++g_lockCount;
  else
    --g_lockCount;
}

HRESULT ModuleCanUnloadNow() { return g_objectCount.load() == 0 && g_lockCount.load() == 0 ? S_OK : S_FALSE; }
