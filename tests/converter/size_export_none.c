/* A video encoder library without the size export: only a differently spelled one. */
#include <stdint.h>

int32_t CurrentSize(void) { return 777; }
