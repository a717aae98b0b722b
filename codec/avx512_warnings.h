// GCC 12's AVX-512 intrinsics (casts, inserts, extracts, shifts, broadcasts) start from an
// "undefined" register, which its uninitialised-value warnings report although no kernel reads
// it. The kernels sit between these two markers; clang has no such warning to switch off.
#pragma once

#if defined(__clang__)
#define TARN_AVX512_KERNELS_BEGIN _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"")
#else
#define TARN_AVX512_KERNELS_BEGIN                                                      \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"") \
      _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#endif
#define TARN_AVX512_KERNELS_END _Pragma("GCC diagnostic pop")
