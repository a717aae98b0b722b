#include "codec/encode_motion_avx512.h"

#if defined(__x86_64__) || defined(__i386__)
#define TARN_WALK_TARGET "avx2,avx512f,avx512bw,avx512vl"
#define TARN_WALK_AVX512 1
#define TARN_WALK_NAME(name) name##Avx512
#include "codec/encode_motion_walk.h"
#endif
