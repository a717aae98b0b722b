// Whole-file reading and crash-safe replacement of small text files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace tarn::settings {

struct FileText {
  std::string text;
  std::error_code error;  // no_such_file_or_directory when the file does not exist
};

FileText ReadWholeFile(const std::filesystem::path& path);

// An exclusive advisory lock held on "<path>.lock" for the lifetime of the object. The lock file
// is never removed: removing it would let two writers lock two different files.
class WriterLock {
 public:
  explicit WriterLock(const std::filesystem::path& path);
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

  const std::error_code& error() const { return error_; }

 private:
  int fd_ = -1;
  std::error_code error_;
};

// Writes `contents` to a temporary file beside `path`, flushes it to the disk and renames it over
// `path`; on failure the temporary file is removed and `path` is untouched. The caller holds the
// WriterLock, which makes leftover temporary files of killed writers safe to remove here.
std::error_code ReplaceFileContents(const std::filesystem::path& path, std::string_view contents);

}  // namespace tarn::settings
