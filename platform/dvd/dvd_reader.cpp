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
constexpr size_t kTitleTableHeaderBytes = 8;    // titles (16 bits), zero, last byte (32 bits)
constexpr int32_t kFirstPlayChainAt = 0x84;     // in VIDEO_TS.IFO: byte offset of the first-play chain
constexpr uint32_t kChainBytes = 236;           // a program chain's fixed part
constexpr uint32_t kCommandTableOffsetAt = 0xE4;  // in a chain: its command table, from the chain's start
constexpr uint32_t kCommandTableHeaderBytes = 8;  // pre, post and cell command counts, last byte
constexpr uint32_t kCommandBytes = 8;

uint32_t BigEndian16(const uint8_t* at) { return static_cast<uint32_t>(at[0]) << 8 | at[1]; }

uint32_t BigEndian32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 | static_cast<uint32_t>(at[2]) << 8 | at[3];
}

bool ReadAt(dvd_file_t* file, uint64_t offset, uint8_t* bytes, size_t count) {
  return offset <= INT32_MAX && DVDFileSeek(file, static_cast<int32_t>(offset)) == static_cast<int32_t>(offset) &&
         DVDReadBytes(file, bytes, count) == static_cast<ssize_t>(count);
}

// The title table must be readable whole: its header, and a last byte past its header and
// within the file. True also when the file is too short to say where the table is.
bool TitleTableIsWhole(dvd_file_t* file, uint64_t fileBytes) {
  uint8_t sector[4] = {}, header[kTitleTableHeaderBytes] = {};
  if (!ReadAt(file, kTitleTableSectorAt, sector, sizeof sector)) return true;
  const uint64_t table = uint64_t{BigEndian32(sector)} * kBlockBytes;
  const uint64_t lastByte = ReadAt(file, table, header, sizeof header) ? BigEndian32(header + 4) : 0;
  return lastByte + 1 >= kTitleTableHeaderBytes && table + lastByte + 1 <= fileBytes;
}

// When the first-play chain has a command table whose header can be read, the commands it
// counts must lie within the file. A chain or header that cannot be read at all is refused by
// libdvdread safely; so is a file without a first-play chain.
bool FirstPlayCommandsAreWhole(dvd_file_t* file, uint64_t fileBytes) {
  uint8_t word[4] = {}, chain[kChainBytes] = {}, header[kCommandTableHeaderBytes] = {};
  if (!ReadAt(file, kFirstPlayChainAt, word, sizeof word)) return true;
  const uint32_t chainAt = BigEndian32(word);
  if (chainAt == 0 || !ReadAt(file, chainAt, chain, sizeof chain)) return true;
  const uint32_t tableOffset = BigEndian16(chain + kCommandTableOffsetAt);
  const uint64_t table = uint64_t{chainAt} + tableOffset;
  if (tableOffset == 0 || !ReadAt(file, table, header, sizeof header)) return true;
  const uint64_t commands = uint64_t{BigEndian16(header)} + BigEndian16(header + 2) + BigEndian16(header + 4);
  return table + kCommandTableHeaderBytes + commands * kCommandBytes <= fileBytes;
}

// libdvdread frees what it has read of VIDEO_TS.IFO twice, and so corrupts the heap, when the
// file (and its backup, which it tries next) has a title table or first-play commands that
// cannot be read whole. Such a file is refused before libdvdread reads it.
bool ManagerTablesAreWhole(dvd_reader_t* reader, dvd_read_domain_t which) {
  dvd_file_t* file = DVDOpenFile(reader, 0, which);
  if (file == nullptr) return true;
  const uint64_t fileBytes = static_cast<uint64_t>(std::max<ssize_t>(DVDFileSize(file), 0)) * kBlockBytes;
  const bool whole = TitleTableIsWhole(file, fileBytes) && FirstPlayCommandsAreWhole(file, fileBytes);
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
        (ManagerTablesAreWhole(reader_, DVD_READ_INFO_FILE) &&
         ManagerTablesAreWhole(reader_, DVD_READ_INFO_BACKUP_FILE)))
      ifo.reset(ifoOpen(reader_, titleSet));
  }
  if (!ifo) {
    const std::string which = titleSet == 0 ? "VIDEO_TS.IFO" : "the information file of title set " + std::to_string(titleSet);
    throw DvdError(DvdErrorKind::kDamaged, location_.directory + ": " + which + " is missing or damaged" +
                                               (log_->last().empty() ? "" : " (" + log_->last() + ")"));
  }
  return ifo;
}

}  // namespace tarn::dvd
