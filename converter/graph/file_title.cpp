#include "converter/graph/file_title.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <iterator>

namespace tarn::conv {

namespace {

struct LanguageCodes {
  std::uint16_t primary;      // the primary language of a locale identifier
  std::string_view codes[3];  // ISO 639-1, ISO 639-2/B, ISO 639-2/T
};

// The languages the stream lists can name, by the codes containers use for them.
constexpr std::array<LanguageCodes, 40> kLanguageCodes{{
    {0x01, {"ar", "ara", "ara"}}, {0x02, {"bg", "bul", "bul"}}, {0x03, {"ca", "cat", "cat"}},
    {0x04, {"zh", "chi", "zho"}}, {0x05, {"cs", "cze", "ces"}}, {0x06, {"da", "dan", "dan"}},
    {0x07, {"de", "ger", "deu"}}, {0x08, {"el", "gre", "ell"}}, {0x09, {"en", "eng", "eng"}},
    {0x0A, {"es", "spa", "spa"}}, {0x0B, {"fi", "fin", "fin"}}, {0x0C, {"fr", "fre", "fra"}},
    {0x0D, {"he", "heb", "heb"}}, {0x0E, {"hu", "hun", "hun"}}, {0x0F, {"is", "ice", "isl"}},
    {0x10, {"it", "ita", "ita"}}, {0x11, {"ja", "jpn", "jpn"}}, {0x12, {"ko", "kor", "kor"}},
    {0x13, {"nl", "dut", "nld"}}, {0x14, {"no", "nor", "nob"}}, {0x15, {"pl", "pol", "pol"}},
    {0x16, {"pt", "por", "por"}}, {0x18, {"ro", "rum", "ron"}}, {0x19, {"ru", "rus", "rus"}},
    {0x1A, {"hr", "hrv", "hrv"}}, {0x1B, {"sk", "slo", "slk"}}, {0x1C, {"sq", "alb", "sqi"}},
    {0x1D, {"sv", "swe", "swe"}}, {0x1E, {"th", "tha", "tha"}}, {0x1F, {"tr", "tur", "tur"}},
    {0x21, {"id", "ind", "ind"}}, {0x22, {"uk", "ukr", "ukr"}}, {0x23, {"be", "bel", "bel"}},
    {0x24, {"sl", "slv", "slv"}}, {0x25, {"et", "est", "est"}}, {0x26, {"lv", "lav", "lav"}},
    {0x27, {"lt", "lit", "lit"}}, {0x2A, {"vi", "vie", "vie"}}, {0x39, {"hi", "hin", "hin"}},
    {0x3E, {"ms", "may", "msa"}},
}};
constexpr std::uint32_t kDefaultSublanguage = 0x0400;

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  std::error_code error;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  stamp.written = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return stamp;
}

bool NamesDiscSource(std::string_view path) {
  std::error_code error;
  const std::filesystem::path named(path);
  if (std::filesystem::is_directory(named, error)) return true;
  const std::string extension = Lowered(named.extension().string());
  return extension == ".ifo" || extension == ".bup" || extension == ".iso" || extension == ".img";
}

bool NamesVideoFile(std::string_view path) {
  std::error_code error;
  return !NamesDiscSource(path) && std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

std::uint32_t LocaleOfLanguageCode(std::string_view code) {
  if (code.empty()) return 0;
  const std::string lowered = Lowered(code);
  for (const LanguageCodes& language : kLanguageCodes)
    if (std::find(std::begin(language.codes), std::end(language.codes), lowered) != std::end(language.codes))
      return language.primary | kDefaultSublanguage;
  return 0;
}

bool FileTitle::HasChapters(unsigned first, unsigned count) const {
  return first >= 1 && count >= 1 && first - 1 + count <= ChapterCount();
}

PlayRange FileTitle::RangeOf(unsigned first, unsigned count) const {
  const unsigned last = first - 1 + count;
  return {description_.chapters[first - 1].start, last == ChapterCount() ? 0 : description_.chapters[last - 1].end};
}

unsigned FileTitle::ChapterAt(REFERENCE_TIME time) const {
  unsigned chapter = 1;
  while (chapter < ChapterCount() && description_.chapters[chapter].start <= time) ++chapter;
  return chapter;
}

std::uint32_t FileTitle::AudioLanguage(unsigned stream) const {
  return stream < AudioCount() ? LocaleOfLanguageCode(description_.audio[stream].language) : 0;
}

std::uint32_t FileTitle::SubtitleLanguage(unsigned stream) const {
  return stream < SubtitleCount() ? LocaleOfLanguageCode(description_.subtitles[stream].language) : 0;
}

}  // namespace tarn::conv
