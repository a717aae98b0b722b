// The numbers the encode subcommands take on their command lines.
#pragma once

#include <string_view>

namespace tarn::tmvtool {

// A whole number from 1 (at most six digits) into `value`; false for anything else.
bool ParsePositive(std::string_view text, int& value);

// "A-B" or "A" (A to A) with 1 <= A <= B, into `first` and `last`.
bool ParseChapterRange(std::string_view text, int& first, int& last);

}  // namespace tarn::tmvtool
