// The names the stream lists show for the navigator's language identifiers (Windows locale
// identifiers, LCIDs).
#pragma once

#include <cstdint>
#include <string>

namespace tarn::conv {

// The English name of the identifier's primary language ("English" for 0x0409 and 0x0809), or
// "Unknown" for 0 and for languages the table does not know.
std::string LanguageName(std::uint32_t lcid);

}  // namespace tarn::conv
