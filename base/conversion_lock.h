// One conversion at a time per settings file. The encoders of a conversion learn their file
// names from the settings file when streaming starts, so a second conversion started with the
// same file would write into the first one's files and take its running numbers.
//
// The lock is a file "<settings file>.running" that exists only while a conversion holds it and
// names the holder; the lock itself is an advisory lock on it, so a holder that dies lets go.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "base/lock_file.h"

namespace tarn::settings {

class ConversionLock {
 public:
  // Takes the lock for `settingsFile` on behalf of `holder` (what a refused second conversion is
  // told, e.g. "tarnconv, converting /media/disc"), without waiting.
  ConversionLock(const std::filesystem::path& settingsFile, std::string_view holder);

  bool held() const { return lock_.held(); }
  // When not held: who holds it ("process 1234: tarnconv, converting ..."), or "" when the
  // lock could not be tried at all (error() says why).
  const std::string& heldBy() const { return heldBy_; }
  const std::error_code& error() const { return lock_.error(); }

 private:
  LockFile lock_;
  std::string heldBy_;
};

// "<settings file>.running", beside the file that a symbolic link leads to.
std::filesystem::path ConversionLockPath(const std::filesystem::path& settingsFile);

}  // namespace tarn::settings
