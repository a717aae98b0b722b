#include "converter/engine/language_names.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tarn::conv {

namespace {

struct PrimaryLanguage {
  std::uint16_t id;  // the low ten bits of a locale identifier
  std::string_view name;
};

// The languages DVD-Video discs name most, by primary language identifier.
constexpr std::array<PrimaryLanguage, 40> kLanguages{{
    {0x01, "Arabic"},     {0x02, "Bulgarian"},  {0x03, "Catalan"},    {0x04, "Chinese"},   {0x05, "Czech"},
    {0x06, "Danish"},     {0x07, "German"},     {0x08, "Greek"},      {0x09, "English"},   {0x0A, "Spanish"},
    {0x0B, "Finnish"},    {0x0C, "French"},     {0x0D, "Hebrew"},     {0x0E, "Hungarian"}, {0x0F, "Icelandic"},
    {0x10, "Italian"},    {0x11, "Japanese"},   {0x12, "Korean"},     {0x13, "Dutch"},     {0x14, "Norwegian"},
    {0x15, "Polish"},     {0x16, "Portuguese"}, {0x18, "Romanian"},   {0x19, "Russian"},   {0x1A, "Croatian"},
    {0x1B, "Slovak"},     {0x1C, "Albanian"},   {0x1D, "Swedish"},    {0x1E, "Thai"},      {0x1F, "Turkish"},
    {0x21, "Indonesian"}, {0x22, "Ukrainian"},  {0x23, "Belarusian"}, {0x24, "Slovenian"}, {0x25, "Estonian"},
    {0x26, "Latvian"},    {0x27, "Lithuanian"}, {0x2A, "Vietnamese"}, {0x39, "Hindi"},     {0x3E, "Malay"},
}};

}  // namespace

std::string LanguageName(std::uint32_t lcid) {
  const auto primary = static_cast<std::uint16_t>(lcid & 0x3FF);
  const auto* found = std::find_if(kLanguages.begin(), kLanguages.end(),
                                   [primary](const PrimaryLanguage& language) { return language.id == primary; });
  if (lcid == 0 || found == kLanguages.end()) return "Unknown";
  return std::string(found->name);
}

}  // namespace tarn::conv
