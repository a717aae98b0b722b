#include "codec/prep_cpu.h"

namespace tarn::codec {
namespace {

#if defined(__x86_64__) || defined(__i386__)
bool ProcessorHasAvx2() { return __builtin_cpu_supports("avx2"); }
bool ProcessorHasAvx512() { return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"); }
bool ProcessorHasAvx512Vbmi() { return ProcessorHasAvx512() && __builtin_cpu_supports("avx512vbmi"); }
bool ProcessorHasAvx512Vnni() { return ProcessorHasAvx512Vbmi() && __builtin_cpu_supports("avx512vnni"); }
#else
bool ProcessorHasAvx2() { return false; }
bool ProcessorHasAvx512() { return false; }
bool ProcessorHasAvx512Vbmi() { return false; }
bool ProcessorHasAvx512Vnni() { return false; }
#endif

bool& Avx2Allowed() {
  static bool allowed = ProcessorHasAvx2();
  return allowed;
}

bool& Avx512Allowed() {
  static bool allowed = ProcessorHasAvx2() && ProcessorHasAvx512();
  return allowed;
}

}  // namespace

bool PrepUsesAvx2() { return Avx2Allowed(); }

bool PrepUsesAvx512() { return Avx512Allowed(); }

bool PrepUsesAvx512Vbmi() {
  static const bool present = ProcessorHasAvx512Vbmi();
  return Avx512Allowed() && present;
}

bool PrepUsesAvx512Vnni() {
  static const bool present = ProcessorHasAvx512Vnni();
  return Avx512Allowed() && present;
}

void AllowPrepAvx2(bool allowed) {
  Avx2Allowed() = allowed && ProcessorHasAvx2();
  Avx512Allowed() = allowed && ProcessorHasAvx2() && ProcessorHasAvx512();
}

void AllowPrepAvx512(bool allowed) { Avx512Allowed() = allowed && Avx2Allowed() && ProcessorHasAvx512(); }

}  // namespace tarn::codec
