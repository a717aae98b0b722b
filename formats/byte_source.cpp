#include "formats/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn::movie {

bool MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
  return true;
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

int FileSource::Open(const std::string& path) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return errno;
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  size_ = static_cast<std::uint64_t>(info.st_size);
  return 0;
}

bool FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (fd_ < 0) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace tarn::movie
