// CBaseFilter: filter state, clock, graph membership and pin enumeration.
#pragma once

#include "media/base/BasePin.h"
#include "media/base/CritSec.h"
#include "media/com/CUnknown.h"
#include "media/dshow/Interfaces.h"

#include <atomic>
#include <string>

class CBaseFilter : public CUnknown, public IBaseFilter {
 public:
  // lock is the filter lock, owned by the derived filter; it also guards the pins.
  CBaseFilter(const wchar_t* objectName, IUnknown* outer, CCritSec* lock, REFCLSID clsid, HRESULT* phr = nullptr);
  ~CBaseFilter() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IPersist
  HRESULT GetClassID(CLSID* clsid) override;

  // IMediaFilter. Pause activates the connected pins when leaving Stopped
  // (and undoes that if one fails); Stop deactivates them; Run pauses first
  // when stopped.
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

  // IBaseFilter
  HRESULT EnumPins(IEnumPins** enumerator) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override;

  virtual int GetPinCount() = 0;
  // The pin at n (no new reference), null past the end.
  virtual CBasePin* GetPin(int n) = 0;

  // Sends an event to the graph's event sink; EC_COMPLETE carries this filter.
  HRESULT NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2);
  // Clock time minus the stream start; VFW_E_NO_CLOCK without a clock.
  HRESULT StreamTime(REFERENCE_TIME* time);

  bool IsStopped() const { return m_State == State_Stopped; }
  bool IsActive() const { return m_State != State_Stopped; }
  FILTER_STATE State() const { return m_State; }
  IFilterGraph* Graph() const { return m_pGraph; }
  const std::wstring& FilterName() const { return m_Name; }

 protected:
  // Deactivates every connected pin; the first failure is returned.
  HRESULT DeactivatePins();

  CCritSec* const m_pLock;
  // Read by streaming threads without the filter lock.
  std::atomic<FILTER_STATE> m_State{State_Stopped};
  IReferenceClock* m_pClock = nullptr;  // holds a reference
  REFERENCE_TIME m_tStart = 0;
  const CLSID m_clsid;
  IFilterGraph* m_pGraph = nullptr;    // not AddRef'd: the graph owns us
  IMediaEventSink* m_pSink = nullptr;  // not AddRef'd, same reason
  std::wstring m_Name;
};
