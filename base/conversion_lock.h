// One conversion at a time per settings file. The encoders of a conversion learn their file
// names from the settings file when streaming starts, so a second conversion started with the
// same file would write into the first one's files and take its running numbers.
//
// The lock is a file "<settings file>.running" that exists only while a conversion holds it and
// names the holder and since when it holds it ("process 1234: tarnconv: /media/dvd" and
// "since 1765166400", seconds of the epoch); the lock itself is an advisory lock on it, so a
// holder that dies lets go.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "base/lock_file.h"

namespace tarn::settings {

// The conversion that holds a lock, as its lock file names it.
struct LockHolder {
  long pid = 0;                      // 0 when the file does not say
  std::string what;                  // what the holder said of itself
  std::optional<std::time_t> since;  // when it took the lock
};

class ConversionLock {
 public:
  // Takes the lock for `settingsFile` on behalf of `holder` (what a refused second conversion is
  // told, e.g. "tarnconv, converting /media/disc"), without waiting.
  ConversionLock(const std::filesystem::path& settingsFile, std::string_view holder);

  bool held() const { return lock_.held(); }
  // When not held: who holds it ("process 1234: tarnconv, converting ..."), or "" when the
  // lock could not be tried at all (error() says why).
  const std::string& heldBy() const { return heldBy_; }
  // When not held: the same in its parts.
  const LockHolder& holder() const { return holder_; }
  const std::error_code& error() const { return lock_.error(); }

 private:
  LockFile lock_;
  std::string heldBy_;
  LockHolder holder_;
};

// "<settings file>.running", beside the file that a symbolic link leads to.
std::filesystem::path ConversionLockPath(const std::filesystem::path& settingsFile);

}  // namespace tarn::settings
