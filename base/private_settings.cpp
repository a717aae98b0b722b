#include "base/private_settings.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>

#include "base/atomic_file.h"
#include "base/settings_location.h"

namespace tarn::settings {

namespace fs = std::filesystem;

namespace {
constexpr const char* kVariable = "TARNMEDIA_INI";
}

PrivateSettings::PrivateSettings() : userFile_(SettingsFilePath()), copy_(userFile_) {
  const FileText user = ReadWholeFile(userFile_);
  if (user.error && user.error != std::errc::no_such_file_or_directory) {
    error_ = user.error;
    return;
  }
  std::string folder = (fs::temp_directory_path(error_) / "tarnmedia-XXXXXX").string();
  if (error_) return;
  if (::mkdtemp(folder.data()) == nullptr) {
    error_ = {errno, std::generic_category()};
    return;
  }
  folder_ = folder;
  const fs::path copy = folder_ / "TarnMedia.ini";
  if (!user.error) error_ = ReplaceFileContents(copy, user.text, Durability::kScratch);
  if (error_) return;
  if (const char* previous = std::getenv(kVariable)) previousVariable_ = previous;
  ::setenv(kVariable, copy.c_str(), 1);
  copy_ = copy;
}

PrivateSettings::~PrivateSettings() {
  if (folder_.empty()) return;
  if (copy_ != userFile_) {
    if (previousVariable_)
      ::setenv(kVariable, previousVariable_->c_str(), 1);
    else
      ::unsetenv(kVariable);
  }
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

}  // namespace tarn::settings
