#include "media/graph/SystemClock.h"

#include <new>

CSystemClock::CSystemClock(IUnknown* outer) : CBaseReferenceClock(L"System clock", outer, nullptr) {}

CUnknown* CSystemClock::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* clock = new (std::nothrow) CSystemClock(outer);
  if (clock == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return clock;
}
