// Writes a sound file: reserve the header, append sound data, write the header last.
//
// Failures come back as errno values (0 on success) for the filter to turn into HRESULTs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/sound_format.h"

namespace tarn::aud {

class SoundFileWriter {
 public:
  SoundFileWriter() = default;
  ~SoundFileWriter();  // closes an open file as it stands (unfinished: zero header)
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  // Creates or replaces the file and leaves a zero header in front of the data to come.
  int Create(const std::string& path);

  // Appends data with one write (continued after a short one). On failure the file is cut
  // back to its last whole append, so the length never counts torn bytes.
  int Append(const std::uint8_t* bytes, std::size_t size);

  // Writes the header and closes the file. When the header cannot be written the file stays
  // open and unfinished, and the error is returned.
  int Finish(const SoundHeaderBytes& header);

  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  // The header and every byte appended whole.
  std::uint64_t FileLength() const { return fileLength_; }

 private:
  int fd_ = -1;
  std::uint64_t fileLength_ = 0;
};

}  // namespace tarn::aud
