#include "tarnaud/sound_end.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>

#include "formats/sound_format.h"

namespace tarn::aud {
namespace {

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

std::uint32_t Get32(const SoundHeaderBytes& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void Put32(std::array<std::uint8_t, 8>& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool FullyWritten(ssize_t written, std::size_t wanted) {
  return written >= 0 && static_cast<std::size_t>(written) == wanted;
}

}  // namespace

int EndSoundFile(const std::string& path, std::int64_t length) {
  const FileCloser file{::open(path.c_str(), O_RDWR | O_CLOEXEC)};
  if (file.fd < 0) return errno;
  SoundHeaderBytes header{};
  if (::pread(file.fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) return EINVAL;
  if (!std::equal(kSoundMagic.begin(), kSoundMagic.end(), header.begin())) return EINVAL;
  SoundLayout layout;
  layout.codec = static_cast<SoundCodec>(header[8] | header[9] << 8);
  layout.channels = static_cast<std::uint16_t>(header[10] | header[11] << 8);
  layout.sampleRate = Get32(header, 12);
  const std::uint32_t frames = Get32(header, 20);
  if (layout.channels == 0 || (layout.codec != SoundCodec::kPcm8 && layout.codec != SoundCodec::kImaAdpcm))
    return EINVAL;

  const std::int64_t wanted = (std::max<std::int64_t>(length, 0) * layout.sampleRate + 5'000'000) / 10'000'000;
  if (wanted == frames) return 0;
  if (wanted > std::numeric_limits<std::uint32_t>::max()) return EFBIG;
  const auto kept = static_cast<std::uint32_t>(wanted);
  const std::uint64_t dataBytes = DataBytesFor(layout, kept);
  // A shorter file gets its header before its data is cut, a longer one its data first: a crash
  // in between leaves a header that never promises more data than the file holds.
  std::array<std::uint8_t, 8> counts{};
  Put32(counts, 0, kept);
  Put32(counts, 4, static_cast<std::uint32_t>(dataBytes));
  const auto writeCounts = [&] {
    return FullyWritten(::pwrite(file.fd, counts.data(), counts.size(), 20), counts.size())
               ? 0
               : (errno != 0 ? errno : EIO);
  };
  const auto resize = [&] {
    return ::ftruncate(file.fd, static_cast<off_t>(kSoundHeaderBytes + dataBytes)) == 0 ? 0 : errno;
  };
  int error = 0;
  if (wanted < frames) {
    error = writeCounts();
    if (error == 0) error = resize();
  } else {
    error = resize();
    if (error == 0) error = writeCounts();
  }
  if (error != 0) return error;
  return ::fsync(file.fd) == 0 ? 0 : errno;
}

}  // namespace tarn::aud
