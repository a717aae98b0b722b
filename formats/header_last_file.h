// A file whose header is written last: the header's bytes are reserved as zeros when the file
// is created, data is appended behind them, and the header goes in at the end, when the length
// of everything is known. The movie file and the sound file are both written this way.
//
// Every failure is returned as the errno value (0 on success), for a filter to turn into an
// HRESULT. A process that must survive a file-size limit ignores SIGXFSZ; the write then fails
// with EFBIG, which is returned like any other error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::formats {

// How the header's bytes wait for the header: as a hole that Create does not write (a full
// disk shows at the first append), or written as zeros at once (a full disk shows at Create).
// Both read as zeros.
enum class HeaderSpace { kHole, kZeros };

class HeaderLastFile {
 public:
  // maxLength: the longest file whose header can still tell its length.
  HeaderLastFile(std::size_t headerBytes, std::uint64_t maxLength, HeaderSpace space)
      : headerBytes_(headerBytes), maxLength_(maxLength), space_(space) {}
  ~HeaderLastFile();  // closes an open file as it stands (unfinished: zero header)
  HeaderLastFile(const HeaderLastFile&) = delete;
  HeaderLastFile& operator=(const HeaderLastFile&) = delete;

  // Creates or replaces the file (readable by others while it is written) with room for the
  // header.
  // Closes any file this writer had open first.
  int Create(const std::string& path);

  // Appends with one write (continued after a short write). On failure the file is cut back
  // to its last whole append, so that a later append or the header never follows torn bytes,
  // and nothing is counted.
  int Append(const std::uint8_t* bytes, std::size_t size);

  // Writes the header at the start and closes the file. When the header cannot be written the
  // file stays open and unfinished, and the error is returned.
  int Finish(const std::uint8_t* header, std::size_t size);

  // Closes without a header.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  // Bytes of the file counted so far: the header and every append written whole.
  std::uint64_t FileLength() const { return fileLength_; }

 private:
  std::size_t headerBytes_;
  std::uint64_t maxLength_;
  HeaderSpace space_;
  int fd_ = -1;
  std::uint64_t fileLength_ = 0;
};

}  // namespace tarn::formats
