// Looks for a DVD-Video disc in the machine's drives: mounted optical and UDF volumes first,
// then the optical drive devices themselves.
#pragma once

#include <string>
#include <vector>

#include "platform/dvd/disc_path.h"

namespace tarn::dvd {

struct DriveSearchPlaces {
  std::string mountTable = "/proc/self/mounts";
  std::vector<std::string> mountTypes{"iso9660", "udf"};
  std::string deviceFolder = "/dev";
  std::vector<std::string> devicePrefixes{"sr", "cdrom", "dvd"};
};

// The first disc found. Throws DvdError (kNotFound) naming every place looked at when there is
// none.
DiscLocation FindDiscInDrives(const DriveSearchPlaces& places = {});

}  // namespace tarn::dvd
