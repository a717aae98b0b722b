// UTF-8 <-> wide text (UTF-32 wchar_t on Linux) for names kept in files.
#pragma once

#include <string>
#include <string_view>

namespace tarn::media {

std::string WideToUtf8(std::wstring_view text);
// Invalid byte sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);

}  // namespace tarn::media
