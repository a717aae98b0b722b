#include "base/windows_paths.h"

#include <algorithm>

#include "base/settings_location.h"

namespace tarn::settings {
namespace {

bool StartsWithSystemDrive(std::string_view text) {
  return text.size() >= 3 && (text[0] == 'c' || text[0] == 'C') && text[1] == ':' &&
         (text[2] == '\\' || text[2] == '/');
}

}  // namespace

std::string MapWindowsPathText(std::string_view text) {
  if (!StartsWithSystemDrive(text)) return std::string(text);
  std::string rest(text.substr(3));
  std::replace(rest.begin(), rest.end(), '\\', '/');
  std::string home = HomeFolder().string();
  if (home.back() != '/') home += '/';
  return home + rest;
}

}  // namespace tarn::settings
