// Class factories of a filter library.
//
// A library lists its classes in a table of CFactoryTemplate and implements
// its exports in a few lines:
//
//   TARN_EXPORT HRESULT DllGetClassObject(REFCLSID c, REFIID i, void** p) {
//       return GetClassObjectFromTemplates(kTemplates, c, i, p);
//   }
//   TARN_EXPORT HRESULT DllCanUnloadNow() { return ModuleCanUnloadNow(); }
#pragma once

#include "media/com/CUnknown.h"

#include <span>

struct AMOVIESETUP_FILTER;

using LPFNNewCOMObject = CUnknown* (*)(IUnknown* outer, HRESULT* phr);
using LPFNInitRoutine = void (*)(BOOL loading, const CLSID* clsid);

struct CFactoryTemplate {
  const wchar_t* m_Name = nullptr;
  const CLSID* m_ClsID = nullptr;
  LPFNNewCOMObject m_lpfnNew = nullptr;
  LPFNInitRoutine m_lpfnInit = nullptr;
  const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter = nullptr;

  bool IsClassID(REFCLSID clsid) const { return m_ClsID != nullptr && *m_ClsID == clsid; }
  CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr) const { return m_lpfnNew(outer, phr); }
};

// The factory object for one template. It counts as a live object of the module.
class CClassFactory final : public IClassFactory, public CUnknown {
 public:
  explicit CClassFactory(const CFactoryTemplate& factoryTemplate);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // With an outer object only IID_IUnknown may be asked for (else E_NOINTERFACE).
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT LockServer(BOOL lock) override;

 private:
  const CFactoryTemplate& template_;
};

// DllGetClassObject over a template table: only IID_IClassFactory or
// IID_IUnknown (else E_NOINTERFACE), only listed classes (else
// CLASS_E_CLASSNOTAVAILABLE).
HRESULT GetClassObjectFromTemplates(std::span<const CFactoryTemplate> templates, REFCLSID clsid, REFIID riid,
                                    void** ppv);

// Signatures of the exports a filter library offers by name.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID riid, void** ppv);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
