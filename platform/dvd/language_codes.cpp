#include "platform/dvd/language_codes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace tarn::dvd {
namespace {

struct LanguageLocale {
  std::string_view language;
  uint32_t locale;
};

// The common languages of DVD-Video discs. Each identifier is the language's default locale,
// i.e. MAKELANGID(primary, SUBLANG_DEFAULT) with the default sort order.
constexpr std::array<LanguageLocale, 36> kLocales{{
    {"ar", 0x0401}, {"bg", 0x0402}, {"ca", 0x0403}, {"zh", 0x0804}, {"cs", 0x0405}, {"da", 0x0406},
    {"de", 0x0407}, {"el", 0x0408}, {"en", 0x0409}, {"es", 0x0C0A}, {"fi", 0x040B}, {"fr", 0x040C},
    {"he", 0x040D}, {"hu", 0x040E}, {"is", 0x040F}, {"it", 0x0410}, {"ja", 0x0411}, {"ko", 0x0412},
    {"nl", 0x0413}, {"no", 0x0414}, {"pl", 0x0415}, {"pt", 0x0816}, {"ro", 0x0418}, {"ru", 0x0419},
    {"hr", 0x041A}, {"sk", 0x041B}, {"sv", 0x041D}, {"th", 0x041E}, {"tr", 0x041F}, {"id", 0x0421},
    {"uk", 0x0422}, {"sl", 0x0424}, {"vi", 0x042A}, {"hi", 0x0439}, {"ms", 0x043E}, {"et", 0x0425},
}};

}  // namespace

std::string LanguageFromDiscCode(uint16_t code) {
  const char first = static_cast<char>(code >> 8);
  const char second = static_cast<char>(code & 0xff);
  if (!std::isalpha(static_cast<unsigned char>(first)) || !std::isalpha(static_cast<unsigned char>(second))) return "";
  return {first, second};
}

uint32_t LocaleFromLanguage(const std::string& language) {
  std::string lower = language;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto found = std::find_if(kLocales.begin(), kLocales.end(),
                                  [&](const LanguageLocale& entry) { return entry.language == lower; });
  return found == kLocales.end() ? 0 : found->locale;
}

}  // namespace tarn::dvd
