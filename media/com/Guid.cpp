#include "media/com/Guid.h"

#include <cstdio>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits from text at pos; nullopt on a non-hex character.
std::optional<std::uint64_t> ReadHex(std::string_view text, std::size_t pos, std::size_t digits) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    int v = HexValue(text[pos + i]);
    if (v < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(v);
  }
  return value;
}

}  // namespace

std::string GuidToString(REFGUID g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::wstring GuidToWideString(REFGUID guid) {
  std::string narrow = GuidToString(guid);
  return std::wstring(narrow.begin(), narrow.end());
}

std::optional<GUID> GuidFromString(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return std::nullopt;

  auto d1 = ReadHex(text, 0, 8);
  auto d2 = ReadHex(text, 9, 4);
  auto d3 = ReadHex(text, 14, 4);
  if (!d1 || !d2 || !d3) return std::nullopt;
  GUID g;
  g.Data1 = static_cast<DWORD>(*d1);
  g.Data2 = static_cast<WORD>(*d2);
  g.Data3 = static_cast<WORD>(*d3);
  static constexpr std::size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (std::size_t i = 0; i < 8; ++i) {
    auto b = ReadHex(text, kBytePos[i], 2);
    if (!b) return std::nullopt;
    g.Data4[i] = static_cast<BYTE>(*b);
  }
  return g;
}
