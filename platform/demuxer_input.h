// A file opened with FFmpeg's demuxer under the file source's options, as the readers of its
// pictures, sound and subtitles each open it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/av_handles.h"

namespace tarn::platform {

// Demuxer options by FFmpeg's names; "format" picks the input format.
using DemuxerOptions = std::map<std::string, std::string>;

// Opens `path` into `format`: the input format "format" names (probed when it names none FFmpeg
// has), the other options given to the demuxer. Returns FFmpeg's code (0 when opened);
// `unused`, when given, receives an option no demuxer took ("" when all were).
int OpenDemuxerInput(const std::string& path, const DemuxerOptions& options, FormatContextPtr& format,
                     std::string* unused = nullptr);

// One version of a file on disk: written since, or replaced, it has another.
struct FileVersion {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  bool operator==(const FileVersion&) const = default;
};

// The version of the regular file at `path`; none for anything else (a device, a pipe, a name
// FFmpeg resolves itself), whose looks are never handed on.
std::optional<FileVersion> VersionOf(const std::string& path);

// Looking at a file (opening it and probing its streams) reads into it: an MPEG program stream's
// first pictures are decoded. A reader that let go of its look before reading a packet hands it
// on (the graph that lists a file is torn down before the conversion graph opens it again), and
// the next reader of the same version of the file under the same options takes it instead of
// looking again. Only the file handed on last is kept, and each look is taken once.
void HandOnProbedInput(const std::string& path, const DemuxerOptions& options, const FileVersion& version,
                       FormatContextPtr format);
// The look handed on for this version of `path` under `options`, or none.
FormatContextPtr TakeProbedInput(const std::string& path, const DemuxerOptions& options, const FileVersion& version);

}  // namespace tarn::platform
