#include "codec/prep_cpu.h"

namespace tarn::codec {
namespace {

bool ProcessorHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

bool& Avx2Allowed() {
  static bool allowed = ProcessorHasAvx2();
  return allowed;
}

}  // namespace

bool PrepUsesAvx2() { return Avx2Allowed(); }

void AllowPrepAvx2(bool allowed) { Avx2Allowed() = allowed && ProcessorHasAvx2(); }

}  // namespace tarn::codec
