// A run of a command line works on its own copy of the user's settings file: what its options
// set lasts for the run only, and runs started together never read each other's file names
// (the encoders read theirs from the settings file when streaming starts). The filters in the
// process find the copy through TARNMEDIA_INI.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "base/atomic_file.h"

namespace tarn::settings {

class PrivateSettings {
 public:
  // Copies the settings file that TARNMEDIA_INI/XDG_CONFIG_HOME name (if there is one) into a
  // new folder of its own under the temporary folder and points TARNMEDIA_INI at the copy.
  PrivateSettings();
  // Removes the copy and puts TARNMEDIA_INI back as it was.
  ~PrivateSettings();
  PrivateSettings(const PrivateSettings&) = delete;
  PrivateSettings& operator=(const PrivateSettings&) = delete;

  const std::filesystem::path& userFile() const { return userFile_; }
  // The copy; the user's file itself when the copy could not be made (error() says why).
  const std::filesystem::path& copy() const { return copy_; }
  // How writes to copy() must go: the copy is scratch, the user's file is not.
  Durability copyDurability() const { return copy_ == userFile_ ? Durability::kFlushed : Durability::kScratch; }
  const std::error_code& error() const { return error_; }

 private:
  std::filesystem::path userFile_;
  std::filesystem::path folder_;
  std::filesystem::path copy_;
  std::optional<std::string> previousVariable_;
  std::error_code error_;
};

}  // namespace tarn::settings
