#include "platform/dvd/disc_path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/dvd/dvd_error.h"

namespace tarn::dvd {
namespace {

namespace fs = std::filesystem;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The entry of `folder` named `name` in any letter case (discs written on other systems vary).
std::optional<fs::path> FindEntry(const fs::path& folder, std::string_view name) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (EqualsIgnoringCase(it->path().filename().string(), name)) return it->path();
  }
  return std::nullopt;
}

bool HoldsVideoManager(const fs::path& folder) { return FindEntry(folder, "VIDEO_TS.IFO").has_value(); }

DiscLocation FromFolder(const fs::path& folder, const std::string& named) {
  if (HoldsVideoManager(folder)) {
    // A VIDEO_TS folder: libdvdread opens it directly.
    return {folder.string(), folder.string(), false};
  }
  if (const auto videoTs = FindEntry(folder, "VIDEO_TS"); videoTs && fs::is_directory(*videoTs)) {
    if (!HoldsVideoManager(*videoTs)) {
      throw DvdError(DvdErrorKind::kNotADisc, named + ": its VIDEO_TS folder has no VIDEO_TS.IFO");
    }
    return {folder.string(), videoTs->string(), false};
  }
  throw DvdError(DvdErrorKind::kNotADisc, named + ": not a DVD-Video folder (no VIDEO_TS.IFO, no VIDEO_TS folder)");
}

bool HasDiscFileExtension(const fs::path& file) {
  const std::string extension = file.extension().string();
  return EqualsIgnoringCase(extension, ".ifo") || EqualsIgnoringCase(extension, ".bup") ||
         EqualsIgnoringCase(extension, ".vob");
}

}  // namespace

DiscLocation ResolveDiscPath(const std::string& path) {
  if (path.empty()) throw DvdError(DvdErrorKind::kInvalidArgument, "no disc path given");
  std::error_code error;
  const fs::path given(path);
  const fs::file_status status = fs::status(given, error);
  if (error || !fs::exists(status)) throw DvdError(DvdErrorKind::kNotFound, path + ": no such file or folder");
  if (fs::is_directory(status)) return FromFolder(given, path);
  if (!fs::is_regular_file(status) && !fs::is_block_file(status)) {
    throw DvdError(DvdErrorKind::kNotADisc, path + ": neither a folder, a disc image nor a drive");
  }
  // libdvdread takes any file as a disc image, so a file of the disc itself names its folder.
  if (HasDiscFileExtension(given)) {
    fs::path folder = given.parent_path();
    if (folder.empty()) folder = ".";
    return FromFolder(folder, path);
  }
  return {path, path, true};
}

}  // namespace tarn::dvd
