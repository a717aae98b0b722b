#include "base/settings_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tarn::settings {
namespace {

const char* NonEmptyVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

std::string AccountHomeFolder() {
  long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && *found->pw_dir != '\0') {
    return found->pw_dir;
  }
  return "/";
}

}  // namespace

std::filesystem::path HomeFolder() {
  const char* home = NonEmptyVariable("HOME");
  std::string folder = home != nullptr ? home : AccountHomeFolder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::filesystem::path SettingsFilePath() {
  if (const char* explicitFile = NonEmptyVariable("TARNMEDIA_INI")) return explicitFile;
  // XDG rules ignore a relative XDG_CONFIG_HOME.
  const char* configHome = NonEmptyVariable("XDG_CONFIG_HOME");
  if (configHome != nullptr && *configHome == '/') return std::filesystem::path(configHome) / "TarnMedia.ini";
  return HomeFolder() / ".config" / "TarnMedia.ini";
}

ProfileFile OpenSettingsFile() { return ProfileFile(SettingsFilePath()); }

}  // namespace tarn::settings
