#include "platform/dvd/dvd_reader.h"

#include <cstdarg>
#include <cstdio>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/ifo_guard.h"
#include "platform/dvd/library_log.h"
#include "platform/dvd/quiet_stdout.h"

namespace tarn::dvd {

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
    // libdvdread may read either copy; it cannot be kept from the backup alone.
    if (InformationFileIsSafeToOpen(reader_, titleSet, DVD_READ_INFO_FILE) &&
        InformationFileIsSafeToOpen(reader_, titleSet, DVD_READ_INFO_BACKUP_FILE)) {
      ifo.reset(ifoOpen(reader_, titleSet));
    }
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
