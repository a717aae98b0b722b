#include "platform/frame_gate_follower.h"

#include "media/com/ComPtr.h"

namespace tarn::platform {

void FrameGateFollower::Forget() {
  followed_ = false;
  gate_.reset();
}

void FrameGateFollower::Follow(IPin* connected) {
  if (followed_) return;
  followed_ = true;
  gate_.reset();
  if (connected == nullptr) return;
  ComPtr<ITarnFrameGate> gate;
  if (FAILED(connected->QueryInterface(IID_ITarnFrameGate, gate.ReleaseAndGetAddressOfVoid()))) return;
  REFERENCE_TIME step = 0;
  REFERENCE_TIME grid = 0;
  if (gate->GetFrameGate(&step, &grid) == S_OK && step > 0) gate_.emplace(step, grid);
}

void FrameGateFollower::Sent(REFERENCE_TIME start) {
  if (gate_) gate_->Admit(start);
}

}  // namespace tarn::platform
