#include "codec/encode_motion_avx2.h"

#if defined(__x86_64__) || defined(__i386__)
#define TARN_WALK_TARGET "avx2"
#define TARN_WALK_AVX512 0
#define TARN_WALK_NAME(name) name##Avx2
#include "codec/encode_motion_walk.h"
#endif
