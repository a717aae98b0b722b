#include "platform/dvd/dvd_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/library_log.h"
#include "platform/dvd/quiet_stdout.h"

namespace tarn::dvd {
namespace {

constexpr uint32_t kBlockBytes = 2048;
constexpr int32_t kTitleTableSectorAt = 0xC4;  // in VIDEO_TS.IFO: where the title table starts
constexpr size_t kTitleTableHeaderBytes = 8;   // titles (16 bits), zero, last byte (32 bits)

uint32_t BigEndian32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 | static_cast<uint32_t>(at[2]) << 8 |
         at[3];
}

bool ReadAt(dvd_file_t* file, uint64_t offset, uint8_t* bytes, size_t count) {
  return offset <= INT32_MAX && DVDFileSeek(file, static_cast<int32_t>(offset)) == static_cast<int32_t>(offset) &&
         DVDReadBytes(file, bytes, count) == static_cast<ssize_t>(count);
}

// libdvdread frees the title table twice, and so corrupts the heap, when VIDEO_TS.IFO (and its
// backup, which it tries next) has a title table that cannot be read whole: its header cut off,
// its last byte before the end of its header, or past the end of the file. Such a file is
// refused before libdvdread reads it. True when the table is whole, or when the file is too
// short to say where it is (libdvdread refuses that file safely).
bool TitleTableIsWhole(dvd_reader_t* reader, dvd_read_domain_t which) {
  dvd_file_t* file = DVDOpenFile(reader, 0, which);
  if (file == nullptr) return true;
  const uint64_t fileBytes = static_cast<uint64_t>(std::max<ssize_t>(DVDFileSize(file), 0)) * kBlockBytes;
  uint8_t sector[4] = {}, header[kTitleTableHeaderBytes] = {};
  bool whole = true;
  if (ReadAt(file, kTitleTableSectorAt, sector, sizeof sector)) {
    const uint64_t table = uint64_t{BigEndian32(sector)} * kBlockBytes;
    const uint64_t lastByte = ReadAt(file, table, header, sizeof header) ? BigEndian32(header + 4) : 0;
    whole = lastByte + 1 >= kTitleTableHeaderBytes && table + lastByte + 1 <= fileBytes;
  }
  DVDCloseFile(file);
  return whole;
}

}  // namespace

void LibraryLog::Add(const std::string& line) { last_ = line; }

DvdReader::DvdReader(const DiscLocation& location) : location_(location), log_(std::make_unique<LibraryLog>()) {
  const dvd_logger_cb logger{&LogLibraryMessage};
  {
    QuietStdout quiet;
    reader_ = DVDOpen2(log_.get(), &logger, location_.readerPath.c_str());
  }
  if (reader_ == nullptr) {
    throw DvdError(DvdErrorKind::kNotADisc, location_.readerPath + ": cannot open as a DVD" +
                                                (log_->last().empty() ? "" : " (" + log_->last() + ")"));
  }
}

DvdReader::~DvdReader() {
  if (reader_ != nullptr) DVDClose(reader_);
}

IfoHandle DvdReader::OpenIfo(int titleSet) const {
  IfoHandle ifo;
  {
    QuietStdout quiet;
    if (titleSet != 0 ||
        (TitleTableIsWhole(reader_, DVD_READ_INFO_FILE) && TitleTableIsWhole(reader_, DVD_READ_INFO_BACKUP_FILE)))
      ifo.reset(ifoOpen(reader_, titleSet));
  }
  if (!ifo) {
    const std::string which =
        titleSet == 0 ? "VIDEO_TS.IFO" : "the information file of title set " + std::to_string(titleSet);
    throw DvdError(DvdErrorKind::kDamaged, location_.directory + ": " + which + " is missing or damaged" +
                                               (log_->last().empty() ? "" : " (" + log_->last() + ")"));
  }
  return ifo;
}

}  // namespace tarn::dvd
