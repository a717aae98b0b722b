// Bytes written so far by the two encoder filters, read from the size exports of their libraries.
// The conversion graph has loaded both libraries already, so opening them again by the same name
// reaches the very counters the filters keep.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarn::media {
class FilterRegistry;
}

namespace tarn::conv {

inline constexpr std::string_view kVideoEncoderLibrary = "libtarnvenc.so";
inline constexpr std::string_view kAudioEncoderLibrary = "libtarnaud.so";
inline constexpr const char* kVideoSizeExport = "CurentSize";
inline constexpr const char* kAudioSizeExport = "CurrentSize";

struct EncoderLibraries {
  std::string video;  // what dlopen is given for the video encoder
  std::string audio;
};

// The path under which a library of that file name is registered in the filter registry, as the
// graph loads it; else the bare file name, for the loader's default search path.
std::string EncoderLibraryLocation(const media::FilterRegistry& registry, std::string_view fileName);
EncoderLibraries FindEncoderLibraries(const media::FilterRegistry& registry);

// Opens the library, calls its no-argument size export and closes it again. A library that cannot
// be opened, a missing export or a negative count gives 0.
std::int64_t ExportedSize(const std::string& library, const char* exportName);

// The sum of both encoders' counts.
std::int64_t PollOutputSize(const EncoderLibraries& libraries);

}  // namespace tarn::conv
