// Self-registration of a filter library. Its exports become a few lines:
//
//   TARN_EXPORT HRESULT DllRegisterServer() {
//       return tarn::media::RegisterServer(kTemplates);
//   }
//   TARN_EXPORT HRESULT DllUnregisterServer() {
//       return tarn::media::UnregisterServer(kTemplates);
//   }
//
// Registration writes, for each template, the class (name, library path,
// threading model "Both") and, when the template has filter setup data, the
// filter in the legacy filter category. Registering twice leaves one entry;
// unregistering what is not registered succeeds.
#pragma once

#include "media/com/ClassFactory.h"

#include <span>
#include <string>

namespace tarn::media {

// Full path of the shared object that contains `address` (dladdr, then the
// real path). A failed look-up gives HRESULT_FROM_WIN32 of errno, or E_FAIL.
HRESULT ModulePath(const void* address, std::string* path);

HRESULT RegisterServer(std::span<const CFactoryTemplate> templates);
HRESULT UnregisterServer(std::span<const CFactoryTemplate> templates);

}  // namespace tarn::media
