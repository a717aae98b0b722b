// The cells a run of chapters consists of, in playing order, from the title set's information
// file. Reading exactly these cells plays exactly those chapters, without running any of the
// disc's navigation commands (which can send a player into menus or around in circles).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/dvd/dvd_reader.h"

namespace tarn::dvd {

struct PlayCell {
  int chapter = 0;  // from 1
  uint32_t firstSector = 0;
  uint32_t lastSector = 0;
  uint32_t lastVobuSector = 0;  // where the cell's last VOBU starts
  size_t palette = 0;           // index into TitleCells::palettes: that of the cell's program chain
  bool tail = false;            // a cell after the wanted chapters, read only for its audio
  int stillSeconds = 0;         // how long the cell's last picture stays after it; 0 also for an endless still
};

struct TitleCells {
  int titleSet = 0;
  int chapterCount = 0;
  std::vector<PlayCell> cells;
  std::vector<std::array<uint32_t, 16>> palettes;  // one per program chain used
};

// The cells of chapters first..last (from 1) of `title`, and after them, marked as the tail, the
// following cells of the same program chain: a multiplex carries audio up to about half a second
// behind the video, so the sound of a chapter's last moments lies in the cells after it (in
// several when they are short).
// Of an angle block only the first angle is played. Throws DvdError (kInvalidArgument) for chapters the title does not
// have, kDamaged for tables that point nowhere.
TitleCells ReadTitleCells(const DvdReader& reader, int title, int firstChapter, int lastChapter);

// Number of titles and chapters of `title` (0 when there is no such title).
int CountTitles(const DvdReader& reader);
int CountChapters(const DvdReader& reader, int title);

}  // namespace tarn::dvd
