#include "platform/frame_gate_follower.h"

#include <utility>

#include "media/com/ComPtr.h"

namespace tarn::platform {

void FrameGateFollower::Forget() {
  followed_ = false;
  gate_.reset();
  prepare_.Reset();
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
  if (gate->GetFrameGate(&step, &grid) != S_OK || step <= 0) return;
  gate_.emplace(step, grid);
  ComPtr<ITarnPrepareAhead> prepare;
  if (SUCCEEDED(connected->QueryInterface(IID_ITarnPrepareAhead, prepare.ReleaseAndGetAddressOfVoid())))
    prepare_ = std::move(prepare);
}

void FrameGateFollower::PrepareSent(IMediaSample* sample) const {
  if (prepare_ && sentKept_) prepare_->PrepareAhead(sample);
}

void FrameGateFollower::Sent(REFERENCE_TIME start) { sentKept_ = gate_ && gate_->Admit(start); }

}  // namespace tarn::platform
