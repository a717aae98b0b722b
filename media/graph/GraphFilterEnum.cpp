#include "media/graph/GraphFilterEnum.h"

#include "media/base/Enumerators.h"
#include "media/graph/FilterGraph.h"

#include <new>

CEnumGraphFilters::CEnumGraphFilters(CFilterGraph* graph, std::uint64_t version, ULONG position)
    : CUnknown(L"Filter enumerator", nullptr), graph_(graph), version_(version), position_(position) {
  graph_->AddRef();
}

CEnumGraphFilters::~CEnumGraphFilters() { graph_->Release(); }

HRESULT CEnumGraphFilters::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IEnumFilters) return GetInterface(static_cast<IEnumFilters*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CEnumGraphFilters::Next(ULONG count, IBaseFilter** filters, ULONG* fetched) {
  if (filters == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_INVALIDARG;
  if (fetched != nullptr) *fetched = 0;
  ULONG got = 0;
  while (got < count) {
    ComPtr<IBaseFilter> filter;
    HRESULT hr = graph_->FilterAt(position_, version_, &filter);
    if (hr == VFW_E_ENUM_OUT_OF_SYNC) {
      // Hand nothing out of a list that is no longer the graph's.
      for (ULONG i = 0; i < got; ++i) {
        filters[i]->Release();
        filters[i] = nullptr;
      }
      return hr;
    }
    if (hr != S_OK) break;
    filters[got++] = filter.Detach();
    ++position_;
  }
  if (fetched != nullptr) *fetched = got;
  return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumGraphFilters::Skip(ULONG count) {
  if (version_ != graph_->ListVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  for (ULONG i = 0; i < count; ++i) {
    ComPtr<IBaseFilter> filter;
    HRESULT hr = graph_->FilterAt(position_, version_, &filter);
    if (hr == VFW_E_ENUM_OUT_OF_SYNC) return hr;
    if (hr != S_OK) return S_FALSE;
    ++position_;
  }
  return S_OK;
}

HRESULT CEnumGraphFilters::Reset() {
  version_ = graph_->ListVersion();
  position_ = 0;
  return S_OK;
}

HRESULT CEnumGraphFilters::Clone(IEnumFilters** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  return HandOut(new (std::nothrow) CEnumGraphFilters(graph_, version_, position_), enumerator);
}
