#include "formats/movie_file_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

#include "formats/movie_header.h"

namespace tarn::movie {
namespace {

// The header's length field is 32 bits: a longer file could not say how long it is.
constexpr std::uint64_t kMaxFileLength = std::numeric_limits<std::uint32_t>::max();

// write() until every byte is out; 0 or errno.
int WriteAll(int fd, const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int WriteAllAt(int fd, const std::uint8_t* bytes, std::size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t written = ::pwrite(fd, bytes, size, offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes += written;
    size -= static_cast<std::size_t>(written);
    offset += written;
  }
  return 0;
}

}  // namespace

MovieFileWriter::~MovieFileWriter() { Close(); }

int MovieFileWriter::Create(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  fd_ = fd;
  fileLength_ = kHeaderBytes;
  // The header's bytes stay a hole (zero) until Finish.
  if (::lseek(fd_, static_cast<off_t>(kHeaderBytes), SEEK_SET) < 0) return errno;
  return 0;
}

int MovieFileWriter::AppendRecord(const std::uint8_t* record, std::size_t size) {
  if (fd_ < 0) return EBADF;
  if (fileLength_ + size > kMaxFileLength) return EFBIG;
  const int error = WriteAll(fd_, record, size);
  if (error != 0) {
    // Drop a torn record; a device that cannot be cut (or positioned) keeps its bytes.
    const auto recordStart = static_cast<off_t>(fileLength_);
    if (::ftruncate(fd_, recordStart) == 0) ::lseek(fd_, recordStart, SEEK_SET);
    return error;
  }
  fileLength_ += size;
  return 0;
}

int MovieFileWriter::Finish() {
  if (fd_ < 0) return EBADF;
  const HeaderBytes header = MakeMovieHeader(static_cast<std::uint32_t>(fileLength_));
  const int error = WriteAllAt(fd_, header.data(), header.size(), 0);
  if (error != 0) return error;
  const int fd = fd_;
  fd_ = -1;
  // close() reports errors of delayed writes (network and some local file systems).
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

void MovieFileWriter::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace tarn::movie
