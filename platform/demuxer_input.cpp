#include "platform/demuxer_input.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace tarn::platform {

namespace {

struct HandedOn {
  std::string path;
  DemuxerOptions options;
  FileVersion version;
  FormatContextPtr format;
};

// A file's readers (pictures, sound, subtitles) each hand on a look; a few more are let go.
constexpr std::size_t kMostHandedOn = 4;

std::mutex handedOnMutex;
std::vector<HandedOn> handedOn;

}  // namespace

int OpenDemuxerInput(const std::string& path, const DemuxerOptions& options, FormatContextPtr& format,
                     std::string* unused) {
  AVDictionary* dictionary = nullptr;
  const AVInputFormat* inputFormat = nullptr;
  for (const auto& [name, value] : options) {
    if (name == "format")
      inputFormat = av_find_input_format(value.c_str());
    else
      av_dict_set(&dictionary, name.c_str(), value.c_str(), 0);
  }
  AVFormatContext* opened = nullptr;
  const int error = avformat_open_input(&opened, path.c_str(), inputFormat, &dictionary);
  if (unused != nullptr)
    *unused = av_dict_count(dictionary) > 0 ? av_dict_get(dictionary, "", nullptr, AV_DICT_IGNORE_SUFFIX)->key : "";
  av_dict_free(&dictionary);
  if (error >= 0) format.reset(opened);
  return error;
}

std::optional<FileVersion> VersionOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return FileVersion{status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

void HandOnProbedInput(const std::string& path, const DemuxerOptions& options, const FileVersion& version,
                       FormatContextPtr format) {
  if (!format) return;
  std::vector<HandedOn> dropped;  // closed outside the lock
  const std::lock_guard lock(handedOnMutex);
  // Looks at another file, or at what this one was before it was written, would only keep it open.
  const auto stale = std::stable_partition(handedOn.begin(), handedOn.end(), [&](const HandedOn& entry) {
    return entry.path == path && entry.version == version;
  });
  std::move(stale, handedOn.end(), std::back_inserter(dropped));
  handedOn.erase(stale, handedOn.end());
  if (handedOn.size() == kMostHandedOn) {
    dropped.push_back(std::move(handedOn.front()));
    handedOn.erase(handedOn.begin());
  }
  handedOn.push_back(HandedOn{path, options, version, std::move(format)});
}

FormatContextPtr TakeProbedInput(const std::string& path, const DemuxerOptions& options, const FileVersion& version) {
  const std::lock_guard lock(handedOnMutex);
  const auto found = std::find_if(handedOn.begin(), handedOn.end(), [&](const HandedOn& entry) {
    return entry.path == path && entry.options == options && entry.version == version;
  });
  if (found == handedOn.end()) return nullptr;
  FormatContextPtr format = std::move(found->format);
  handedOn.erase(found);
  return format;
}

}  // namespace tarn::platform
