// The enumerator EnumFilters hands out: filters in the order they were
// added. Once the graph's list changes (a filter added or removed) it
// answers VFW_E_ENUM_OUT_OF_SYNC until Reset, which starts again on the
// current list.
#pragma once

#include "media/com/CUnknown.h"
#include "media/dshow/Interfaces.h"

#include <cstdint>

class CFilterGraph;

class CEnumGraphFilters final : public CUnknown, public IEnumFilters {
 public:
  CEnumGraphFilters(CFilterGraph* graph, std::uint64_t version, ULONG position = 0);
  ~CEnumGraphFilters() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumFilters** enumerator) override;

 private:
  CFilterGraph* const graph_;  // holds a reference
  std::uint64_t version_;
  ULONG position_;
};
