// The four entry points every filter library exports, declared once over the library's table
// of filter templates:
//
//   const CFactoryTemplate kTemplates[] = {{...}, ...};
//   TARN_FILTER_LIBRARY(kTemplates)
//
// DllRegisterServer and DllUnregisterServer write and remove the table's classes and filters
// in the registry; DllGetClassObject hands out a class factory for one of them;
// DllCanUnloadNow says whether objects or locks are still held. A library with one-time
// set-up before its first object (TARN_FILTER_LIBRARY_WITH_SETUP) names a function to run
// before each class object is handed out.
#pragma once

#include "media/com/ClassFactory.h"
#include "media/com/Types.h"
#include "media/registry/ServerRegistration.h"

#define TARN_FILTER_LIBRARY_WITH_SETUP(templates, setup)                                           \
  TARN_EXPORT HRESULT DllRegisterServer() { return ::tarn::media::RegisterServer(templates); }     \
  TARN_EXPORT HRESULT DllUnregisterServer() { return ::tarn::media::UnregisterServer(templates); } \
  TARN_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {                 \
    setup();                                                                                       \
    return GetClassObjectFromTemplates(templates, clsid, riid, ppv);                               \
  }                                                                                                \
  TARN_EXPORT HRESULT DllCanUnloadNow() { return ModuleCanUnloadNow(); }

#define TARN_FILTER_LIBRARY(templates) TARN_FILTER_LIBRARY_WITH_SETUP(templates, [] {})
