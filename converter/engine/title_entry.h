// One title of the work list: where it comes from, its own copy of every conversion setting, its
// chapter selection and what each converted segment produced.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::conv {

// The per-title tables hold this many chapters; a disc title never has more than 999.
inline constexpr std::size_t kMaxChapters = 1000;
// The title flags hold this many titles; the work list refuses more.
inline constexpr std::size_t kMaxTitles = 100;

using ChapterFlags = std::array<std::uint8_t, kMaxChapters>;

// What the chapter list shows for the segment that began at a chapter.
struct ChapterResult {
  std::string elapsed;    // "%H:%M:%S"
  std::string movieFile;  // the movie file the segment wrote
  std::string sizeKiB;    // bytes written by both encoders / 1024, as "%d"

  bool empty() const { return elapsed.empty() && movieFile.empty() && sizeKiB.empty(); }
};

struct CTitleEntry {
  std::string source;        // handed to the navigator before the title plays
  std::string outputFolder;  // folder for this title's files
  int subtitleChoice = 0;    // index in the subtitle list; 0 is "no subtitles"
  int audioChoice = 0;       // index in the audio list
  int sizeLimitMiB = 0;      // size-limit scroll position, 4 to 512
  int volume = 0;            // VolumeEx
  int pictureHeight = 0;     // pixels: ImageV * 8
  int pictureWidth = 0;      // pixels: ImageH * 8
  bool changeRatio = false;  // ChangeScale != 0
  bool fillPicture = false;  // FullOut != 0
  int contrast = 0;
  int brightness = 0;
  int saturationPosition = 0;  // 9 - S
  int sharpeningPosition = 0;  // 10 - Enhance
  int channel = 0;
  int audioMode = 0;        // MusicMode
  int compressionMode = 0;  // Mode
  unsigned chapterCount = 0;
  int titleNumber = 0;                              // 1-based number on its disc
  ChapterFlags chapterSelection{};                  // byte k-1 is 1 when chapter k is selected
  std::array<ChapterResult, kMaxChapters> results;  // slot k-1: segment that began at chapter k

  bool IsChapterSelected(unsigned chapter) const {
    return chapter >= 1 && chapter <= kMaxChapters && chapterSelection[chapter - 1] == 1;
  }
};

}  // namespace tarn::conv
