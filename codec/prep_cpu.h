// Whether the preparation's AVX2 paths may run: the processor's answer, found once. Every
// vector path gives the same bits as the portable one; tests switch AVX2 off to hold the
// portable paths to that.
#pragma once

namespace tarn::codec {

bool PrepUsesAvx2();

// Off forces the portable paths; on restores the processor's answer.
void AllowPrepAvx2(bool allowed);

}  // namespace tarn::codec
