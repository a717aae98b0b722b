// CUnknown: the reference-counted base of every object, with aggregation.
//
// An object made with an outer (owner) IUnknown delegates its IUnknown calls
// to the owner; its own identity and count are reached through the
// non-delegating IUnknown, which only the owner holds.
#pragma once

#include "media/com/Unknown.h"

#include <atomic>

struct INonDelegatingUnknown {
  virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG NonDelegatingAddRef() = 0;
  virtual ULONG NonDelegatingRelease() = 0;
};

class CUnknown : public INonDelegatingUnknown {
 public:
  // name is for diagnostics only; outer may be null (not aggregated).
  CUnknown(const wchar_t* name, IUnknown* outer);
  CUnknown(const wchar_t* name, IUnknown* outer, HRESULT* phr);
  virtual ~CUnknown();

  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  // The IUnknown that interface calls delegate to: the owner, or our own
  // non-delegating IUnknown when not aggregated.
  IUnknown* GetOwner() const { return owner_; }
  // The non-delegating IUnknown as an IUnknown pointer (what an aggregating
  // owner keeps, and what IID_IUnknown answers).
  IUnknown* NonDelegatingUnknown() { return &inner_; }

  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG NonDelegatingAddRef() override;
  ULONG NonDelegatingRelease() override;

  const wchar_t* Name() const { return name_; }
  ULONG ReferenceCount() const { return static_cast<ULONG>(refCount_.load()); }

 private:
  // Forwards IUnknown to the NonDelegating* calls of its CUnknown.
  class Inner final : public IUnknown {
   public:
    explicit Inner(CUnknown& object) : object_(object) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return object_.NonDelegatingQueryInterface(riid, ppv); }
    ULONG AddRef() override { return object_.NonDelegatingAddRef(); }
    ULONG Release() override { return object_.NonDelegatingRelease(); }

   private:
    CUnknown& object_;
  };

  const wchar_t* name_;
  Inner inner_{*this};
  IUnknown* const owner_;
  std::atomic<LONG> refCount_{0};
};

// Hands out an interface pointer with a new reference.
inline HRESULT GetInterface(IUnknown* unknown, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = unknown;
  unknown->AddRef();
  return S_OK;
}

// Implements IUnknown for a class derived from CUnknown and from interfaces.
#define DECLARE_IUNKNOWN                                                                                     \
  HRESULT QueryInterface(REFIID riid, void** ppv) override { return GetOwner()->QueryInterface(riid, ppv); } \
  ULONG AddRef() override { return GetOwner()->AddRef(); }                                                   \
  ULONG Release() override { return GetOwner()->Release(); }

// Live objects and server locks of this module (each shared library that
// links the media layer has its own), for DllCanUnloadNow.
LONG ModuleObjectCount();
LONG ModuleLockCount();
void ModuleLockServer(bool lock);
// S_OK when no object is alive and no lock is held, else S_FALSE.
HRESULT ModuleCanUnloadNow();
