// Title and chapter lists as a user types them on the command line: "1,3,5-7".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::conv {

// The numbers named, ascending and each once. Numbers run from 1 to `largest`; a range "a-b"
// needs a <= b. On bad input returns nullopt and says why in `error`.
std::optional<std::vector<unsigned>> ParseNumberList(std::string_view text, unsigned largest, std::string* error);

}  // namespace tarn::conv
