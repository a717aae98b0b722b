// An open disc for reading its information files (libdvdread), and the owners of what it hands out.
#pragma once

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <memory>
#include <string>

#include "platform/dvd/disc_path.h"

namespace tarn::dvd {

struct IfoCloser {
  void operator()(ifo_handle_t* ifo) const { ifoClose(ifo); }
};
using IfoHandle = std::unique_ptr<ifo_handle_t, IfoCloser>;

// Collects what libdvdread and libdvdnav say, so that it ends up in our error messages instead
// of on the terminal.
class LibraryLog {
 public:
  void Add(const std::string& line);
  const std::string& last() const { return last_; }

 private:
  std::string last_;
};

class DvdReader {
 public:
  // Throws DvdError when libdvdread cannot open the disc.
  explicit DvdReader(const DiscLocation& location);
  ~DvdReader();
  DvdReader(const DvdReader&) = delete;
  DvdReader& operator=(const DvdReader&) = delete;

  // The video manager (0) or title set `titleSet`; throws DvdError (kDamaged) when unreadable.
  IfoHandle OpenIfo(int titleSet) const;
  dvd_reader_t* get() const { return reader_; }
  const DiscLocation& location() const { return location_; }

 private:
  DiscLocation location_;
  dvd_reader_t* reader_ = nullptr;
  std::unique_ptr<LibraryLog> log_;
};

}  // namespace tarn::dvd
