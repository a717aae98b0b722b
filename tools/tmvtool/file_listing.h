// The listing of a video file in the shape of a disc's: one title, its chapters and streams.
#pragma once

#include "platform/file_description.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::tmvtool {

void PrintFileText(const platform::FileDescription& file);
void PrintFileJson(const platform::FileDescription& file);

// Shared with the disc listing: seconds to the millisecond ("8.000"), a clock
// ("00:00:08.000"), a number with two digits at least ("04"), and a JSON string.
std::string Seconds(int64_t units);
std::string Clock(int64_t units);
std::string TwoDigits(std::size_t number);
std::string JsonString(const std::string& text);

}  // namespace tarn::tmvtool
