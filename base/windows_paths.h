// Path texts in the Windows form that defaults (and files carried over from Windows) use.
#pragma once

#include <string>
#include <string_view>

namespace tarn::settings {

// "C:\" or "c:\" (or "C:/") at the start stands for the home folder: "C:\temp.tmv" becomes
// "<home>/temp.tmv", "C:\" becomes "<home>/", and the remaining "\" become "/". Any other text
// is returned unchanged.
std::string MapWindowsPathText(std::string_view text);

}  // namespace tarn::settings
