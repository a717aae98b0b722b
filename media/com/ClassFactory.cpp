#include "media/com/ClassFactory.h"

#include <new>

CClassFactory::CClassFactory(const CFactoryTemplate& factoryTemplate)
    : CUnknown(L"Class factory", nullptr), template_(factoryTemplate) {}

HRESULT CClassFactory::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IClassFactory) return GetInterface(static_cast<IClassFactory*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  // An aggregated object must hand its non-delegating IUnknown to the owner.
  if (outer != nullptr && riid != IID_IUnknown) return E_NOINTERFACE;

  HRESULT hr = S_OK;
  CUnknown* object = template_.CreateInstance(outer, &hr);
  if (object == nullptr) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  // Hold a reference while asking, so a failed query frees the object.
  object->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = object->NonDelegatingQueryInterface(riid, ppv);
  object->NonDelegatingRelease();
  return hr;
}

HRESULT CClassFactory::LockServer(BOOL lock) {
  ModuleLockServer(lock != FALSE);
  return S_OK;
}

HRESULT GetClassObjectFromTemplates(std::span<const CFactoryTemplate> templates, REFCLSID clsid, REFIID riid,
                                    void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IClassFactory && riid != IID_IUnknown) return E_NOINTERFACE;
  for (const CFactoryTemplate& entry : templates) {
    if (!entry.IsClassID(clsid)) continue;
    auto* factory = new (std::nothrow) CClassFactory(entry);
    if (factory == nullptr) return E_OUTOFMEMORY;
    factory->NonDelegatingAddRef();
    HRESULT hr = factory->NonDelegatingQueryInterface(riid, ppv);
    factory->NonDelegatingRelease();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}
