// The encoder's input pin: a transform input pin that also tells the filter upstream the rule
// and state of the encoder's frame gate (ITarnFrameGate), so that a decoder can leave out the
// pictures the gate would discard.
#pragma once

#include <atomic>

#include "media/base/TransformFilter.h"
#include "media/dshow/FrameGate.h"

namespace tarn::venc {

class EncoderInputPin final : public CTransformInputPin, public ITarnFrameGate {
 public:
  // `grid` is the gate's grid as the filter publishes it after every frame it receives.
  EncoderInputPin(CTransformFilter* filter, HRESULT* phr, REFERENCE_TIME step, const std::atomic<REFERENCE_TIME>& grid);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetFrameGate(REFERENCE_TIME* step, REFERENCE_TIME* grid) override;

 private:
  const REFERENCE_TIME step_;
  const std::atomic<REFERENCE_TIME>& grid_;
};

}  // namespace tarn::venc
