// A file opened with FFmpeg's demuxer under the file source's options, as the readers of its
// pictures, sound and subtitles each open it.
#pragma once

#include <map>
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

}  // namespace tarn::platform
