#include "converter/cli/number_list.h"

#include <algorithm>
#include <charconv>

namespace tarn::conv {

namespace {

std::optional<unsigned> Number(std::string_view text, unsigned largest, std::string* error) {
  unsigned value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || problem != std::errc() || end != text.data() + text.size()) {
    *error = "\"" + std::string(text) + "\" is not a number";
    return std::nullopt;
  }
  if (value < 1 || value > largest) {
    *error = std::string(text) + " is outside 1 to " + std::to_string(largest);
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<std::vector<unsigned>> ParseNumberList(std::string_view text, unsigned largest, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  std::vector<unsigned> numbers;
  if (text.empty()) {
    *error = "the list is empty";
    return std::nullopt;
  }
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    const std::size_t dash = item.find('-');
    const auto first = Number(item.substr(0, dash), largest, error);
    if (!first) return std::nullopt;
    unsigned last = *first;
    if (dash != std::string_view::npos) {
      const auto end = Number(item.substr(dash + 1), largest, error);
      if (!end) return std::nullopt;
      if (*end < *first) {
        *error = "the range " + std::string(item) + " runs backwards";
        return std::nullopt;
      }
      last = *end;
    }
    for (unsigned n = *first; n <= last; ++n) numbers.push_back(n);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace tarn::conv
