// Where a disc is: turns what a user names (an .ifo file, a VIDEO_TS folder, the folder above it,
// or an image file) into the path libdvdread opens.
#pragma once

#include <string>

namespace tarn::dvd {

struct DiscLocation {
  std::string readerPath;  // what libdvdread is given
  std::string directory;   // what the navigator reports as its directory
  bool isImage = false;
};

// Throws DvdError (kNotFound, kNotADisc) for a path that does not exist or holds no DVD-Video.
DiscLocation ResolveDiscPath(const std::string& path);

}  // namespace tarn::dvd
