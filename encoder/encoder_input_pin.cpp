#include "encoder/encoder_input_pin.h"

#include <utility>

namespace tarn::venc {

EncoderInputPin::EncoderInputPin(CTransformFilter* filter, HRESULT* phr, REFERENCE_TIME step,
                                 const std::atomic<REFERENCE_TIME>& grid, Preparation prepare)
    : CTransformInputPin(L"Transform input pin", filter, phr, L"XForm In"),
      step_(step),
      grid_(grid),
      prepare_(std::move(prepare)) {}

HRESULT EncoderInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_ITarnFrameGate) return GetInterface(static_cast<ITarnFrameGate*>(this), ppv);
  if (riid == IID_ITarnPrepareAhead) return GetInterface(static_cast<ITarnPrepareAhead*>(this), ppv);
  return CTransformInputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT EncoderInputPin::GetFrameGate(REFERENCE_TIME* step, REFERENCE_TIME* grid) {
  if (step == nullptr || grid == nullptr) return E_POINTER;
  *step = step_;
  *grid = grid_.load(std::memory_order_acquire);
  return S_OK;
}

}  // namespace tarn::venc
