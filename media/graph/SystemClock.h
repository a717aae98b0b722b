// CSystemClock: the graph's fallback reference clock, ticking with the
// system's monotonic clock (the base clock's own private time).
#pragma once

#include "media/base/ReferenceClock.h"

class CSystemClock final : public CBaseReferenceClock {
 public:
  explicit CSystemClock(IUnknown* outer);
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
};
