#include "base/conversion_lock.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

// "process 1234: what" into its parts; a line of another form is all `what`.
LockHolder ParseHolder(const std::string& line) {
  LockHolder holder;
  holder.what = line;
  if (!line.starts_with("process ")) return holder;
  char* end = nullptr;
  const long pid = std::strtol(line.c_str() + 8, &end, 10);
  if (end == line.c_str() + 8 || std::string_view(end).substr(0, 2) != ": ") return holder;
  holder.pid = pid;
  holder.what = std::string(end + 2);
  return holder;
}

}  // namespace

ConversionLock::ConversionLock(const std::filesystem::path& settingsFile, std::string_view holder)
    : lock_(PreparedLockPath(settingsFile), LockFile::Wait::Never) {
  if (held()) {
    std::string said(holder);
    std::replace(said.begin(), said.end(), '\n', ' ');  // one line, whatever a source's name holds
    const std::string text =
        "process " + std::to_string(::getpid()) + ": " + said + "\nsince " + std::to_string(std::time(nullptr)) + "\n";
    // The name of the holder is a courtesy to the refused; the lock holds without it.
    [[maybe_unused]] const ssize_t written = ::pwrite(lock_.descriptor(), text.data(), text.size(), 0);
    [[maybe_unused]] const int cut = ::ftruncate(lock_.descriptor(), static_cast<off_t>(text.size()));
    return;
  }
  if (lock_.error() != std::errc::resource_unavailable_try_again) return;
  std::ifstream file(lock_.path());
  std::getline(file, heldBy_);
  holder_ = ParseHolder(heldBy_);
  std::string since;
  if (std::getline(file, since) && since.starts_with("since ")) {
    char* end = nullptr;
    const long long seconds = std::strtoll(since.c_str() + 6, &end, 10);
    if (end != since.c_str() + 6 && *end == '\0') holder_.since = static_cast<std::time_t>(seconds);
  }
  if (heldBy_.empty()) heldBy_ = holder_.what = "another conversion";
}

}  // namespace tarn::settings
