// Language codes of the disc (ISO 639-1, two letters) and the locale identifiers (LCIDs) by
// which the navigator interface names languages.
#pragma once

#include <cstdint>
#include <string>

namespace tarn::dvd {

// The two letters stored on the disc, "" when the disc names no language (0, 0xffff or
// anything that is not two letters).
std::string LanguageFromDiscCode(uint16_t code);

// The locale identifier of a two-letter code (primary language, default sublanguage), e.g.
// "en" -> 0x0409, "fr" -> 0x040C, in either letter case; 0 for "" and for languages the table
// does not know.
uint32_t LocaleFromLanguage(const std::string& language);

}  // namespace tarn::dvd
