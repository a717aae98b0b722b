// The one title of a video file as the converter sees it: the container's chapters (one when it
// has none), its audio and subtitle streams with their languages, and the choices made among
// them. The graph object plays the file through the file source with these.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "media/dshow/Structures.h"
#include "platform/file_description.h"

namespace tarn::conv {

// Whether a path names a disc (a folder, an .ifo file or a disc image by its usual name) rather
// than a video file to read.
bool NamesDiscSource(std::string_view path);
// Whether a path names a video file to read: a regular file not named as part of a disc.
bool NamesVideoFile(std::string_view path);

// The locale identifier of a container's language code (ISO 639-2, either form, or ISO 639-1),
// with the default sublanguage; 0 for "" and for languages the stream lists cannot name.
std::uint32_t LocaleOfLanguageCode(std::string_view code);

// A file's size and time of last writing: a file with the same stamp as when it was looked at
// would be found the same again.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written;
  bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::string& path);

// A stretch of the file's timeline in 100 ns units; a stop of 0 plays to the file's end.
struct PlayRange {
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
};

class FileTitle {
 public:
  explicit FileTitle(platform::FileDescription description) : description_(std::move(description)) {}

  const std::string& Path() const { return description_.path; }
  unsigned ChapterCount() const { return static_cast<unsigned>(description_.chapters.size()); }
  bool HasChapters(unsigned first, unsigned count) const;
  // From the start of chapter `first` to the end of the `count` chapters; the last chapter plays
  // to the file's end, wherever the container says it ends.
  PlayRange RangeOf(unsigned first, unsigned count) const;
  // The chapter (from 1) that is playing `time` into the file.
  unsigned ChapterAt(REFERENCE_TIME time) const;

  unsigned AudioCount() const { return static_cast<unsigned>(description_.audio.size()); }
  unsigned SubtitleCount() const { return static_cast<unsigned>(description_.subtitles.size()); }
  // Locale identifiers of the streams' languages, 0 when the file names none the lists know.
  std::uint32_t AudioLanguage(unsigned stream) const;
  std::uint32_t SubtitleLanguage(unsigned stream) const;

  // The audio stream the sound comes from, the subtitle stream shown and whether subtitles are on.
  unsigned audioChoice = 0;
  unsigned subtitleChoice = 0;
  bool subtitlesOn = false;
  // The file as it was when looked at.
  std::optional<FileStamp> stamp;

 private:
  platform::FileDescription description_;
};

}  // namespace tarn::conv
