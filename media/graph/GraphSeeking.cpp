#include "media/graph/GraphSeeking.h"

#include "media/graph/FilterGraph.h"

namespace {

bool IsMediaTime(const GUID* format) { return *format == TIME_FORMAT_MEDIA_TIME; }

}  // namespace

HRESULT CGraphSeeking::QueryInterface(REFIID riid, void** ppv) { return graph_.QueryInterface(riid, ppv); }
ULONG CGraphSeeking::AddRef() { return graph_.AddRef(); }
ULONG CGraphSeeking::Release() { return graph_.Release(); }

HRESULT CGraphSeeking::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = 0;
  return S_OK;
}

HRESULT CGraphSeeking::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  const bool askedAny = *capabilities != 0;
  *capabilities = 0;
  return askedAny ? E_FAIL : S_OK;
}

HRESULT CGraphSeeking::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return IsMediaTime(format) ? S_OK : S_FALSE;
}

HRESULT CGraphSeeking::QueryPreferredFormat(GUID* format) { return GetTimeFormat(format); }

HRESULT CGraphSeeking::GetTimeFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT CGraphSeeking::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT CGraphSeeking::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return IsMediaTime(format) ? S_OK : E_INVALIDARG;
}

HRESULT CGraphSeeking::GetCurrentPosition(LONGLONG* current) {
  if (current == nullptr) return E_POINTER;
  if (graph_.CurrentState() == State_Stopped) {
    *current = 0;
    return S_OK;
  }
  return graph_.CurrentStreamTime(current);
}

HRESULT CGraphSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                         const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  const bool targetMedia = targetFormat == nullptr || IsMediaTime(targetFormat);
  const bool sourceMedia = sourceFormat == nullptr || IsMediaTime(sourceFormat);
  if (!targetMedia || !sourceMedia) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

HRESULT CGraphSeeking::SetRate(double rate) { return rate == 1.0 ? S_OK : E_NOTIMPL; }

HRESULT CGraphSeeking::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  *rate = 1.0;
  return S_OK;
}

HRESULT CGraphSeeking::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

// No source here tells its duration or takes positions through the graph.
HRESULT CGraphSeeking::GetDuration(LONGLONG* /*duration*/) { return E_NOTIMPL; }
HRESULT CGraphSeeking::GetStopPosition(LONGLONG* /*stop*/) { return E_NOTIMPL; }
HRESULT CGraphSeeking::SetPositions(LONGLONG* /*current*/, DWORD /*currentFlags*/, LONGLONG* /*stop*/,
                                    DWORD /*stopFlags*/) {
  return E_NOTIMPL;
}
HRESULT CGraphSeeking::GetPositions(LONGLONG* /*current*/, LONGLONG* /*stop*/) { return E_NOTIMPL; }
HRESULT CGraphSeeking::GetAvailable(LONGLONG* /*earliest*/, LONGLONG* /*latest*/) { return E_NOTIMPL; }
