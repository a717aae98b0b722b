// Writes a sound file: reserve the header, append sound data, write the header last.
//
// Failures come back as errno values (0 on success) for the filter to turn into HRESULTs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/header_last_file.h"
#include "formats/sound_format.h"

namespace tarn::aud {

class SoundFileWriter {
 public:
  // Creates or replaces the file and leaves a zero header in front of the data to come.
  int Create(const std::string& path) { return file_.Create(path); }

  // Appends data with one write (continued after a short one). On failure the file is cut
  // back to its last whole append, so the length never counts torn bytes.
  int Append(const std::uint8_t* bytes, std::size_t size) { return file_.Append(bytes, size); }

  // Writes the header and closes the file. When the header cannot be written the file stays
  // open and unfinished, and the error is returned.
  int Finish(const SoundHeaderBytes& header) { return file_.Finish(header.data(), header.size()); }

  void Close() { file_.Close(); }

  bool IsOpen() const { return file_.IsOpen(); }
  // The header and every byte appended whole.
  std::uint64_t FileLength() const { return file_.FileLength(); }

 private:
  // CurrentSize reports the length as a signed 32-bit number: never write past what it can say.
  formats::HeaderLastFile file_{kSoundHeaderBytes, 0x7FFFFFFFu, formats::HeaderSpace::kZeros};
};

}  // namespace tarn::aud
