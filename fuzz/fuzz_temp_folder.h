// A private folder for fuzz targets whose parser reads files, made once per process and removed
// when it ends. Its files are rewritten on every run, so it lies in memory (/dev/shm) where
// there is such a file system, else under $TMPDIR or /tmp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace tarn::fuzz {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = Base() + "/tarn-fuzz.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  static std::string Base() {
    if (access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    const char* base = std::getenv("TMPDIR");
    return base != nullptr && *base != '\0' ? base : "/tmp";
  }

  std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t written = write(fd, data + done, size - done);
    if (written <= 0) std::abort();
    done += static_cast<std::size_t>(written);
  }
  close(fd);
}

}  // namespace tarn::fuzz
