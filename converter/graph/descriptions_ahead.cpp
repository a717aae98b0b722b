#include "converter/graph/descriptions_ahead.h"

#include <system_error>

namespace tarn::conv {

void DescriptionsAhead::Start(const std::string& path) {
  if (looks_.contains(path) || !NamesVideoFile(path)) return;
  const std::optional<FileStamp> stamp = StampOf(path);
  if (!stamp) return;
  // The filter library keeps FFmpeg quiet once it is loaded; this look may come first.
  platform::KeepFfmpegQuiet();
  try {
    looks_.emplace(path, Look{stamp, std::async(std::launch::async, [path] {
                                LookedAtFile looked;
                                looked.described = platform::DescribeVideoFile(path, looked.description, looked.error);
                                return looked;
                              })});
  } catch (const std::system_error&) {
  }
}

std::optional<LookedAtFile> DescriptionsAhead::Take(const std::string& path, const std::optional<FileStamp>& stamp) {
  const auto found = looks_.find(path);
  if (found == looks_.end()) return std::nullopt;
  Look look = std::move(found->second);
  looks_.erase(found);
  LookedAtFile looked = look.result.get();
  // Written or replaced since the look began: what was seen may no longer be there.
  if (!stamp || look.stamp != stamp) return std::nullopt;
  return looked;
}

}  // namespace tarn::conv
