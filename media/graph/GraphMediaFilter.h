// The graph's IMediaFilter face: lets an application choose the reference
// clock (SetSyncSource) or read the one in use. It shares the graph's
// identity and reference count.
#pragma once

#include "media/dshow/Interfaces.h"

class CFilterGraph;

class CGraphMediaFilter final : public IMediaFilter {
 public:
  explicit CGraphMediaFilter(CFilterGraph& graph) : graph_(graph) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD milliSecsTimeout, FILTER_STATE* state) override;
  HRESULT SetSyncSource(IReferenceClock* clock) override;
  HRESULT GetSyncSource(IReferenceClock** clock) override;

 private:
  CFilterGraph& graph_;
};
