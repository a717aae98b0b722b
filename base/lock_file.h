// An exclusive advisory lock on a file that exists only while the lock is held, so that no lock
// file lingers beside the file it guards.
//
// The holder removes the file before letting go. A taker that was waiting on the removed file
// notices that the name now leads elsewhere (or nowhere) and takes the lock again on the new one,
// so two takers never hold locks on two different files of one name.
#pragma once

#include <filesystem>
#include <system_error>

namespace tarn::settings {

class LockFile {
 public:
  enum class Wait { UntilFree, Never };

  // With Wait::Never a lock held elsewhere gives error() resource_unavailable_try_again.
  LockFile(std::filesystem::path path, Wait wait);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  bool held() const { return fd_ >= 0; }
  const std::error_code& error() const { return error_; }
  int descriptor() const { return fd_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  std::error_code error_;
};

}  // namespace tarn::settings
