#include "media/graph/GraphMediaFilter.h"

#include "media/graph/FilterGraph.h"

HRESULT CGraphMediaFilter::QueryInterface(REFIID riid, void** ppv) { return graph_.QueryInterface(riid, ppv); }
ULONG CGraphMediaFilter::AddRef() { return graph_.AddRef(); }
ULONG CGraphMediaFilter::Release() { return graph_.Release(); }

HRESULT CGraphMediaFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_FilterGraph;
  return S_OK;
}

HRESULT CGraphMediaFilter::Stop() { return graph_.Stop(); }
HRESULT CGraphMediaFilter::Pause() { return graph_.Pause(); }
HRESULT CGraphMediaFilter::Run(REFERENCE_TIME start) { return graph_.RunAt(start); }

HRESULT CGraphMediaFilter::GetState(DWORD /*milliSecsTimeout*/, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = graph_.CurrentState();
  return S_OK;
}

HRESULT CGraphMediaFilter::SetSyncSource(IReferenceClock* clock) { return graph_.SetSyncSourceFromApplication(clock); }
HRESULT CGraphMediaFilter::GetSyncSource(IReferenceClock** clock) { return graph_.GetSyncSource(clock); }
