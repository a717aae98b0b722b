#include "formats/header_last_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarn::formats {
namespace {

// pwrite() until every byte is out; 0 or errno.
int WriteAllAt(int fd, const std::uint8_t* bytes, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t written = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes += written;
    size -= static_cast<std::size_t>(written);
    offset += static_cast<std::uint64_t>(written);
  }
  return 0;
}

// Empties a regular file that has content. Not O_TRUNC at open: the converter claims its output
// names by creating them empty, and on ext4 truncating even an empty file marks it to be flushed
// at close, which then holds up the next metadata change (a few milliseconds at the end of a run).
int EmptyRegularFile(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return errno;
  if (!S_ISREG(status.st_mode) || status.st_size == 0) return 0;
  return ::ftruncate(fd, 0) == 0 ? 0 : errno;
}

}  // namespace

HeaderLastFile::~HeaderLastFile() { Close(); }

int HeaderLastFile::Create(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  fd_ = fd;
  if (const int error = EmptyRegularFile(fd_); error != 0) {
    Close();
    return error;
  }
  if (space_ == HeaderSpace::kZeros) {
    const std::vector<std::uint8_t> zeros(headerBytes_);
    const int error = WriteAllAt(fd_, zeros.data(), zeros.size(), 0);
    if (error != 0) {
      Close();
      return error;
    }
  }
  fileLength_ = headerBytes_;
  return 0;
}

int HeaderLastFile::Append(const std::uint8_t* bytes, std::size_t size) {
  if (fd_ < 0) return EBADF;
  if (fileLength_ + size > maxLength_) return EFBIG;
  const int error = WriteAllAt(fd_, bytes, size, fileLength_);
  if (error != 0) {
    // Drop a torn append; a device that cannot be cut keeps its bytes, but the length counts
    // whole appends only, so the next append or the header overwrites them.
    [[maybe_unused]] const int cut = ::ftruncate(fd_, static_cast<off_t>(fileLength_));
    return error;
  }
  fileLength_ += size;
  return 0;
}

int HeaderLastFile::Finish(const std::uint8_t* header, std::size_t size) {
  if (fd_ < 0) return EBADF;
  const int error = WriteAllAt(fd_, header, size, 0);
  if (error != 0) return error;
  const int fd = fd_;
  fd_ = -1;
  // close() reports errors of delayed writes (network and some local file systems).
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

void HeaderLastFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace tarn::formats
