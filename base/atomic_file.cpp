#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tarn::settings {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Closes a descriptor at scope end unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports the close error, which can be the first sign of a failed write.
  std::error_code Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::error_code{} : LastError();
  }

 private:
  int fd_;
};

std::error_code WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

std::string TemporaryPrefix(const std::filesystem::path& path) { return "." + path.filename().string() + ".tmp-"; }

void RemoveLeftoverTemporaries(const std::filesystem::path& path) {
  const std::string prefix = TemporaryPrefix(path);
  std::error_code error;
  std::vector<std::filesystem::path> leftovers;
  for (std::filesystem::directory_iterator it(path.parent_path(), error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().filename().string().starts_with(prefix)) leftovers.push_back(it->path());
  }
  for (const auto& leftover : leftovers) std::filesystem::remove(leftover, error);
}

mode_t ModeForReplacement(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) return status.st_mode & 07777;
  return 0644;
}

void SyncFolder(const std::filesystem::path& folder) {
  FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // The rename has happened either way; a folder that cannot be synced only weakens durability.
  if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

FileText ReadWholeFile(const std::filesystem::path& path) {
  FileText result;
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    result.error = LastError();
    return result;
  }
  char chunk[16384];
  for (;;) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      result.error = LastError();
      result.text.clear();
      break;
    }
    result.text.append(chunk, static_cast<std::size_t>(got));
  }
  return result;
}

WriterLock::WriterLock(const std::filesystem::path& path) : lock_(path.string() + ".lock", LockFile::Wait::UntilFree) {}

std::error_code ReplaceFileContents(const std::filesystem::path& path, std::string_view contents,
                                    Durability durability) {
  const bool flushed = durability == Durability::kFlushed;
  RemoveLeftoverTemporaries(path);
  std::string temporaryName = (path.parent_path() / (TemporaryPrefix(path) + "XXXXXX")).string();
  FileDescriptor fd(::mkostemp(temporaryName.data(), O_CLOEXEC));
  if (!fd.valid()) return LastError();

  std::error_code error;
  if (::fchmod(fd.get(), ModeForReplacement(path)) != 0) error = LastError();
  if (!error) error = WriteAll(fd.get(), contents);
  if (!error && flushed && ::fsync(fd.get()) != 0) error = LastError();
  if (const std::error_code closeError = fd.Close(); !error) error = closeError;
  if (!error && ::rename(temporaryName.c_str(), path.c_str()) != 0) error = LastError();
  if (error) {
    ::unlink(temporaryName.c_str());
    return error;
  }
  if (flushed) SyncFolder(path.parent_path());
  return {};
}

}  // namespace tarn::settings
