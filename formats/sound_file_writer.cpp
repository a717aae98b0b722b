#include "formats/sound_file_writer.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace tarn::aud {
namespace {

// CurrentSize reports the length as a signed 32-bit number: never write past what it can say.
constexpr std::uint64_t kMaxFileLength = std::numeric_limits<std::int32_t>::max();

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

}  // namespace

SoundFileWriter::~SoundFileWriter() { Close(); }

int SoundFileWriter::Create(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  fd_ = fd;
  const SoundHeaderBytes zero{};
  const int error = WriteAllAt(fd_, zero.data(), zero.size(), 0);
  if (error != 0) {
    Close();
    return error;
  }
  fileLength_ = kSoundHeaderBytes;
  return 0;
}

int SoundFileWriter::Append(const std::uint8_t* bytes, std::size_t size) {
  if (fd_ < 0) return EBADF;
  if (fileLength_ + size > kMaxFileLength) return EFBIG;
  const int error = WriteAllAt(fd_, bytes, size, fileLength_);
  if (error != 0) {
    // A torn append is dropped; a device that cannot be cut keeps its bytes.
    if (::ftruncate(fd_, static_cast<off_t>(fileLength_)) != 0) {
      // Nothing more to do: the length still counts only whole appends.
    }
    return error;
  }
  fileLength_ += size;
  return 0;
}

int SoundFileWriter::Finish(const SoundHeaderBytes& header) {
  if (fd_ < 0) return EBADF;
  const int error = WriteAllAt(fd_, header.data(), header.size(), 0);
  if (error != 0) return error;
  const int fd = fd_;
  fd_ = -1;
  // close() reports errors of delayed writes on some file systems.
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

void SoundFileWriter::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace tarn::aud
