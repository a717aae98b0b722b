// Identity of the pass-through filter in the test filter library.
#pragma once

#include "media/com/Guid.h"

inline constexpr CLSID kTestFilterClsid{0x7A3C1E52, 0x9B4D, 0x4F0E, {0x8C, 0x21, 0x5D, 0x6E, 0x7F, 0x80, 0x9A, 0x1B}};
inline constexpr const wchar_t* kTestFilterName = L"Tarn Test Pass-Through";
