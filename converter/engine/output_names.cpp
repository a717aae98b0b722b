#include "converter/engine/output_names.h"

#include <algorithm>
#include <array>
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

std::error_code MakeOutputNames(const settings::ProfileFile& profile, std::string_view folder, int titleNumber,
                                int firstChapter, OutputNames* names) {
  const std::string base = OutputBaseName(folder, settings::ReadFileDefault(profile), titleNumber, firstChapter);
  OutputNames made{base + ".tmv", base + ".tms"};
  namespace keys = settings::keys;
  const std::array entries = {
      settings::ProfileEntry{keys::kMovieFileName.section, keys::kMovieFileName.name, made.movie},
      settings::ProfileEntry{keys::kSoundFileName.section, keys::kSoundFileName.name, made.sound}};
  if (const std::error_code error = profile.Write(entries)) return error;
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
