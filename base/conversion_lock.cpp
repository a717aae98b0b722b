#include "base/conversion_lock.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace tarn::settings {

std::filesystem::path ConversionLockPath(const std::filesystem::path& settingsFile) {
  std::error_code error;
  std::filesystem::path target = std::filesystem::weakly_canonical(settingsFile, error);
  if (error) target = settingsFile;
  return target.string() + ".running";
}

namespace {

std::filesystem::path PreparedLockPath(const std::filesystem::path& settingsFile) {
  const std::filesystem::path path = ConversionLockPath(settingsFile);
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  return path;
}

}  // namespace

ConversionLock::ConversionLock(const std::filesystem::path& settingsFile, std::string_view holder)
    : lock_(PreparedLockPath(settingsFile), LockFile::Wait::Never) {
  if (held()) {
    const std::string text = "process " + std::to_string(::getpid()) + ": " + std::string(holder) + "\n";
    // The name of the holder is a courtesy to the refused; the lock holds without it.
    [[maybe_unused]] const ssize_t written = ::pwrite(lock_.descriptor(), text.data(), text.size(), 0);
    [[maybe_unused]] const int cut = ::ftruncate(lock_.descriptor(), static_cast<off_t>(text.size()));
    return;
  }
  if (lock_.error() != std::errc::resource_unavailable_try_again) return;
  std::ifstream file(lock_.path());
  std::getline(file, heldBy_);
  if (heldBy_.empty()) heldBy_ = "another conversion";
}

}  // namespace tarn::settings
