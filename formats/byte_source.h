// Where a movie reader takes its bytes from: memory, or a file read piece by piece so that
// large movies are never loaded whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarn::movie {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; false when those bytes cannot all be read.
  virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A file opened for reading; its size is taken once, when it is opened.
class FileSource final : public ByteSource {
 public:
  FileSource() = default;
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // 0, or the errno value of the failed open (EISDIR for a folder).
  int Open(const std::string& path);
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace tarn::movie
