// Writes a movie file: reserve the header, append whole records, write the header last.
//
// Every failure is returned as the errno value (0 on success), for the filter to turn into
// an HRESULT. A process that must survive a file-size limit ignores SIGXFSZ; the write then
// fails with EFBIG, which is returned like any other error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/header_last_file.h"
#include "formats/movie_header.h"

namespace tarn::movie {

class MovieFileWriter {
 public:
  // Creates or replaces the file (readable by others while it is written), leaving the header
  // a hole until Finish. Closes any file this writer had open first.
  int Create(const std::string& path) { return file_.Create(path); }

  // Appends one record with a single write (continued after a short write). On failure the
  // file is cut back to the end of the last whole record, so a later record or the header
  // never follows a torn one, and nothing is counted.
  int AppendRecord(const std::uint8_t* record, std::size_t size) { return file_.Append(record, size); }

  // Writes the header with the file length and closes the file. When the header cannot be
  // written the file stays open and unfinished, and the error is returned.
  int Finish();

  // Closes without a header.
  void Close() { file_.Close(); }

  bool IsOpen() const { return file_.IsOpen(); }
  // Bytes of the file counted so far: the header and every record written whole.
  std::uint64_t FileLength() const { return file_.FileLength(); }

 private:
  // The header's length field is 32 bits: a longer file could not say how long it is.
  formats::HeaderLastFile file_{kHeaderBytes, 0xFFFFFFFFu, formats::HeaderSpace::kHole};
};

}  // namespace tarn::movie
