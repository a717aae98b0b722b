#include "base/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tarn::settings {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

bool SameFile(int fd, const std::filesystem::path& path) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

LockFile::LockFile(std::filesystem::path path, Wait wait) : path_(std::move(path)) {
  const int operation = LOCK_EX | (wait == Wait::Never ? LOCK_NB : 0);
  for (;;) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      error_ = LastError();
      return;
    }
    int locked = 0;
    while ((locked = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      error_ = errno == EWOULDBLOCK ? std::make_error_code(std::errc::resource_unavailable_try_again) : LastError();
      ::close(fd);
      return;
    }
    if (SameFile(fd, path_)) {
      fd_ = fd;
      return;
    }
    ::close(fd);  // its holder removed it while we waited
  }
}

LockFile::~LockFile() {
  if (fd_ < 0) return;
  // Removed while still locked: a waiter on this file then sees that the name has moved on.
  ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace tarn::settings
