#include "converter/engine/output_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

#include "converter/settings/converter_settings.h"

namespace tarn::conv {

std::string OutputBaseName(std::string_view folder, std::string_view counter, int titleNumber, int firstChapter) {
  std::string name(folder);
  if (!name.empty() && name.back() != '/') name += '/';
  std::string prefix(counter);
  std::replace(prefix.begin(), prefix.end(), '/', '_');
  name += prefix;
  std::array<char, 32> numbers{};
  std::snprintf(numbers.data(), numbers.size(), "%02d%03d", titleNumber, firstChapter);
  name += numbers.data();
  return name;
}

namespace {

std::error_code StoreNames(const settings::ProfileFile& profile, const OutputNames& made) {
  namespace keys = settings::keys;
  const std::array entries = {
      settings::ProfileEntry{keys::kMovieFileName.section, keys::kMovieFileName.name, made.movie},
      settings::ProfileEntry{keys::kSoundFileName.section, keys::kSoundFileName.name, made.sound}};
  return profile.Write(entries);
}

// Creates the file empty; false when it exists (or cannot be made, which the encoder would
// find as well).
bool CreateNew(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno != EEXIST;
  ::close(fd);
  return true;
}

}  // namespace

ClaimedNames ClaimOutputNames(const settings::ProfileFile& counterFile, const settings::ProfileFile& profile,
                              std::string_view folder, int titleNumber, int firstChapter) {
  ClaimedNames claimed;
  const settings::ClaimedCounter counter = settings::ClaimFileDefault(counterFile, [&](std::string_view candidate) {
    const std::string base = OutputBaseName(folder, candidate, titleNumber, firstChapter);
    claimed.names = {base + ".tmv", base + ".tms"};
    if (!CreateNew(claimed.names.movie)) return false;
    if (CreateNew(claimed.names.sound)) return true;
    ::unlink(claimed.names.movie.c_str());
    return false;
  });
  claimed.passed = counter.passed;
  claimed.error = counter.error;
  if (!claimed.error && &counterFile != &profile && counterFile.path() != profile.path())
    claimed.error = settings::WriteText(profile, settings::keys::kFileDefault, settings::ReadFileDefault(counterFile));
  if (!claimed.error) claimed.error = StoreNames(profile, claimed.names);
  return claimed;
}

std::error_code MakeOutputNames(const settings::ProfileFile& profile, std::string_view folder, int titleNumber,
                                int firstChapter, OutputNames* names) {
  const std::string base = OutputBaseName(folder, settings::ReadFileDefault(profile), titleNumber, firstChapter);
  OutputNames made{base + ".tmv", base + ".tms"};
  if (const std::error_code error = StoreNames(profile, made)) return error;
  if (names != nullptr) *names = std::move(made);
  return {};
}

std::string FormatElapsed(std::chrono::seconds elapsed) {
  const long long total = std::max<long long>(elapsed.count(), 0);
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%02lld:%02lld:%02lld", total / 3600 % 24, total / 60 % 60, total % 60);
  return text.data();
}

bool RecordResult(WorkList& list, std::size_t position, std::size_t chapterIndex, std::chrono::seconds elapsed,
                  const settings::ProfileFile& profile, std::string_view sizeKiBText) {
  CTitleEntry* entry = list.At(position);
  if (entry == nullptr || chapterIndex >= kMaxChapters) return false;
  entry->results[chapterIndex] = {FormatElapsed(elapsed), settings::ReadText(profile, settings::keys::kMovieFileName),
                                  std::string(sizeKiBText)};
  return true;
}

}  // namespace tarn::conv
