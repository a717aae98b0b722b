#include "platform/dvd/drive_search.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_reader.h"

namespace tarn::dvd {
namespace {

namespace fs = std::filesystem;

// The mount table writes blanks and the like as octal escapes ("\040").
std::string DecodeMountField(const std::string& field) {
  std::string decoded;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.size() == 3 &&
          std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        decoded += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    decoded += field[i];
  }
  return decoded;
}

std::vector<std::string> MountedDiscVolumes(const DriveSearchPlaces& places) {
  std::vector<std::string> volumes;
  std::ifstream table(places.mountTable);
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string device;
    std::string mountPoint;
    std::string type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    if (std::find(places.mountTypes.begin(), places.mountTypes.end(), type) != places.mountTypes.end()) {
      volumes.push_back(DecodeMountField(mountPoint));
    }
  }
  return volumes;
}

std::vector<std::string> DriveDevices(const DriveSearchPlaces& places) {
  std::vector<std::string> devices;
  std::error_code error;
  for (fs::directory_iterator it(places.deviceFolder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    const bool isDrive = std::any_of(places.devicePrefixes.begin(), places.devicePrefixes.end(),
                                     [&](const std::string& prefix) { return name.starts_with(prefix); });
    if (isDrive) devices.push_back(it->path().string());
  }
  std::sort(devices.begin(), devices.end());
  return devices;
}

// The disc at `place` when it holds a readable video manager.
std::optional<DiscLocation> TryDisc(const std::string& place, bool isDevice) {
  try {
    const DiscLocation location = isDevice ? DiscLocation{place, place, true} : ResolveDiscPath(place);
    const DvdReader reader(location);
    reader.OpenIfo(0);
    return location;
  } catch (const DvdError&) {
    return std::nullopt;
  }
}

}  // namespace

DiscLocation FindDiscInDrives(const DriveSearchPlaces& places) {
  std::vector<std::string> looked;
  for (const std::string& volume : MountedDiscVolumes(places)) {
    if (auto found = TryDisc(volume, false)) return *found;
    looked.push_back(volume);
  }
  for (const std::string& device : DriveDevices(places)) {
    if (auto found = TryDisc(device, true)) return *found;
    looked.push_back(device);
  }
  std::string message = "no DVD-Video disc found in the drives";
  if (looked.empty()) {
    message += " (no optical drive and no mounted disc volume on this machine)";
  } else {
    message += " (looked at";
    for (const std::string& place : looked) message += " " + place;
    message += ")";
  }
  throw DvdError(DvdErrorKind::kNotFound, message);
}

}  // namespace tarn::dvd
