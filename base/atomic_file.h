// Whole-file reading and crash-safe replacement of small text files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "base/lock_file.h"

namespace tarn::settings {

struct FileText {
  std::string text;
  std::error_code error;  // no_such_file_or_directory when the file does not exist
};

FileText ReadWholeFile(const std::filesystem::path& path);

// An exclusive advisory lock on "<path>.lock" for the lifetime of the object; the lock file is
// there only while a writer holds it.
class WriterLock {
 public:
  explicit WriterLock(const std::filesystem::path& path);

  const std::error_code& error() const { return lock_.error(); }

 private:
  LockFile lock_;
};

// Whether a replacement must reach the disk before it counts. A scratch file (a run's private
// copy of the settings, removed when the run ends) is still replaced atomically, but a crash may
// lose it anyway, so its writes are not flushed: each flush costs the run a disk round trip.
enum class Durability { kFlushed, kScratch };

// Writes `contents` to a temporary file beside `path`, flushes it to the disk (unless scratch) and
// renames it over `path`; on failure the temporary file is removed and `path` is untouched. The
// caller holds the WriterLock, which makes leftover temporary files of killed writers safe to
// remove here.
std::error_code ReplaceFileContents(const std::filesystem::path& path, std::string_view contents,
                                    Durability durability = Durability::kFlushed);

}  // namespace tarn::settings
