// Class id and friendly name of the DVD navigator filter.
#pragma once

#include "media/com/Guid.h"

namespace tarn::navigator {

inline constexpr CLSID kDvdNavigatorClsid{0x3B1E5D0A, 0x7C41, 0x4E2B, {0x9A, 0x6F, 0x51, 0x0C, 0xD2, 0x83, 0x4E, 0x17}};
inline constexpr const wchar_t* kDvdNavigatorName = L"DVD Navigator";

}  // namespace tarn::navigator
