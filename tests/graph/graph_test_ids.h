// Class ids and names of the filters in the graph tests' filter library.
#pragma once

#include "media/com/Guid.h"

namespace graph_test {

// Converts RGB24 to YUY2; normal merit, so the graph builder may bring it in.
inline constexpr CLSID kRgb24ToYuy2Clsid{0x6A1F0C01, 0x3B2E, 0x4C11, {0x9A, 0x01, 0x5E, 0x21, 0x7D, 0x40, 0x11, 0x01}};
inline constexpr wchar_t kRgb24ToYuy2Name[] = L"Test RGB24 to YUY2";
// Converts RGB565 to YUY2; "do not use" merit: only when the application adds it.
inline constexpr CLSID kRgb565ToYuy2Clsid{0x6A1F0C01, 0x3B2E, 0x4C11, {0x9A, 0x01, 0x5E, 0x21, 0x7D, 0x40, 0x11, 0x02}};
inline constexpr wchar_t kRgb565ToYuy2Name[] = L"Test RGB565 to YUY2";
// Converts RGB32 to UYVY, a type nothing renders.
inline constexpr CLSID kRgb32ToUyvyClsid{0x6A1F0C01, 0x3B2E, 0x4C11, {0x9A, 0x01, 0x5E, 0x21, 0x7D, 0x40, 0x11, 0x03}};
inline constexpr wchar_t kRgb32ToUyvyName[] = L"Test RGB32 to UYVY";
// Renders YUY2; normal merit.
inline constexpr CLSID kYuy2RendererClsid{0x6A1F0C01, 0x3B2E, 0x4C11, {0x9A, 0x01, 0x5E, 0x21, 0x7D, 0x40, 0x11, 0x04}};
inline constexpr wchar_t kYuy2RendererName[] = L"Test YUY2 Renderer";
// Hands YUY2 on as YUY2; "do not use" merit. Registered after the renderer.
inline constexpr CLSID kYuy2CopyClsid{0x6A1F0C01, 0x3B2E, 0x4C11, {0x9A, 0x01, 0x5E, 0x21, 0x7D, 0x40, 0x11, 0x05}};
inline constexpr wchar_t kYuy2CopyName[] = L"Test YUY2 Copy";

}  // namespace graph_test
