// Whether the preparation's AVX2 and AVX-512 paths (and the motion search's AVX2 kernels) may
// run: the processor's answer, found once. Every vector path gives the same bits as the
// portable one; tests switch them off to hold the narrower paths to that.
#pragma once

namespace tarn::codec {

bool PrepUsesAvx2();
bool PrepUsesAvx512();      // AVX-512 with byte and word lanes (BW)
bool PrepUsesAvx512Vbmi();  // and with byte permutes across the register (VBMI)
bool PrepUsesAvx512Vnni();  // and VBMI with byte and word dot products (VNNI)

// Off forces the portable paths (AVX-512 included); on restores the processor's answer.
void AllowPrepAvx2(bool allowed);
// Off leaves AVX2 as the widest path; on restores the processor's answer.
void AllowPrepAvx512(bool allowed);

}  // namespace tarn::codec
