// Video files named on the command line, looked at on threads of their own while the converter
// starts: looking at a file reads and decodes its first seconds, which need not wait for the
// filter libraries to load and the first graph to be built.
#pragma once

#include <future>
#include <map>
#include <optional>
#include <string>

#include "converter/graph/file_title.h"
#include "platform/file_description.h"

namespace tarn::conv {

struct LookedAtFile {
  bool described = false;
  platform::FileDescription description;
  std::string error;  // why not, when not described
};

class DescriptionsAhead {
 public:
  DescriptionsAhead() = default;
  // Waits for the looks still under way (their futures do).
  ~DescriptionsAhead() = default;
  DescriptionsAhead(const DescriptionsAhead&) = delete;
  DescriptionsAhead& operator=(const DescriptionsAhead&) = delete;

  // Starts looking at `path` if it names a regular file that is no disc source; nothing if a
  // look at it was started already, or no thread could be had (it is then looked at when opened).
  void Start(const std::string& path);

  // The look started at `path`, if the file still has the stamp it had when the look began
  // (`stamp`, taken just now); none otherwise. Each look is taken once.
  std::optional<LookedAtFile> Take(const std::string& path, const std::optional<FileStamp>& stamp);

 private:
  struct Look {
    std::optional<FileStamp> stamp;
    std::future<LookedAtFile> result;
  };
  std::map<std::string, Look> looks_;
};

}  // namespace tarn::conv
