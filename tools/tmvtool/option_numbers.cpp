#include "tools/tmvtool/option_numbers.h"

namespace tarn::tmvtool {

bool ParsePositive(std::string_view text, int& value) {
  if (text.empty() || text.size() > 6) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value > 0;
}

bool ParseChapterRange(std::string_view text, int& first, int& last) {
  const std::size_t dash = text.find('-');
  return ParsePositive(text.substr(0, dash), first) &&
         ParsePositive(dash == std::string_view::npos ? text : text.substr(dash + 1), last) && first <= last;
}

}  // namespace tarn::tmvtool
