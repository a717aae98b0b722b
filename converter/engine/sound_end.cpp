#include "converter/engine/sound_end.h"

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "formats/movie_trim.h"

namespace tarn::conv {
namespace {

constexpr std::int64_t kRecordLength = 1'000'000;  // a tenth of a second in 100 ns units
constexpr const char* kEndExport = "EndSound";
// Room for the sound file's header and a last, partly filled block of sound data.
constexpr std::int64_t kSoundSlack = 64 + 256;

using EndExport = int (*)(const char*, std::int64_t);

struct LibraryCloser {
  void operator()(void* handle) const { ::dlclose(handle); }
};

std::string EndSoundAt(EndExport end, const std::string& soundFile, std::size_t records) {
  if (const int error = end(soundFile.c_str(), static_cast<std::int64_t>(records) * kRecordLength); error != 0)
    return "cannot end the sound file " + soundFile + " with its movie: " + std::strerror(error);
  return {};
}

std::int64_t FileBytes(const std::string& path) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::int64_t>(bytes);
}

// The most records whose movie bytes and sound (at `soundPerRecord` bytes each) fit `limit`.
std::size_t RecordsWithin(const std::vector<std::uint64_t>& ends, double soundPerRecord, std::int64_t limit) {
  std::size_t records = ends.size();
  while (records > 0 && static_cast<double>(ends[records - 1]) +
                                std::ceil(soundPerRecord * static_cast<double>(records)) +
                                static_cast<double>(kSoundSlack) >
                            static_cast<double>(limit))
    --records;
  return records;
}

}  // namespace

std::string EndSoundWithMovie(const std::string& audioLibrary, const std::string& movieFile,
                              const std::string& soundFile, std::int64_t limitBytes) {
  const std::optional<std::vector<std::uint64_t>> ends = movie::RecordEnds(movieFile);
  if (!ends) return "cannot read the movie file " + movieFile;
  const std::unique_ptr<void, LibraryCloser> library(::dlopen(audioLibrary.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!library) return "cannot load " + audioLibrary;
  const auto end = reinterpret_cast<EndExport>(::dlsym(library.get(), kEndExport));
  if (end == nullptr) return audioLibrary + " cannot end a sound file early (it has no " + kEndExport + ")";

  if (std::string problem = EndSoundAt(end, soundFile, ends->size()); !problem.empty()) return problem;
  const std::int64_t movieBytes = ends->empty() ? FileBytes(movieFile) : static_cast<std::int64_t>(ends->back());
  const std::int64_t soundBytes = FileBytes(soundFile);
  if (limitBytes <= 0 || ends->empty() || movieBytes + soundBytes <= limitBytes) return {};

  const double soundPerRecord = static_cast<double>(soundBytes) / static_cast<double>(ends->size());
  const std::size_t records = RecordsWithin(*ends, soundPerRecord, limitBytes);
  if (const int error = movie::TrimMovieFile(movieFile, *ends, records); error != 0)
    return "cannot cut the movie file " + movieFile + " to the size limit: " + std::strerror(error);
  return EndSoundAt(end, soundFile, records);
}

}  // namespace tarn::conv
