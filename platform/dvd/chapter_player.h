// Plays chapters of a title and hands out the MPEG program stream sectors with the timing a
// demuxer needs for one continuous timeline.
//
// The player reads the cells of the wanted chapters straight from the title set's VOB files, as
// the information file lists them, VOBU by VOBU along the navigation packs. It runs none of the
// disc's navigation commands: first-play programs, menus and pre- or post-commands can neither
// trap playback nor send it round in circles (a command loop would spin inside a command-running
// navigator before it ever returned), and playback stops exactly after the last wanted chapter.
// Every step advances through a bounded list of cells and a bounded range of sectors, so damaged
// data ends playback with an error instead of a hang.
//
// Audio is multiplexed up to about half a second behind the video. A run that starts at a later
// chapter therefore begins with audio from before its first picture (negative times on the
// timeline, for the layer above to trim), and the audio of a run's last moments lies in the cell
// after it: the player reads on into that cell for up to kTailLength and hands those sectors out
// as kTailSector.
//
// A still cell's last picture stays for the cell's still time: the timeline leaves that gap
// after the cell, and the run lasts that much longer.
//
// Time stamps restart in every source VOB; the only sign of a jump is a navigation pack whose
// start time differs from the previous one's end. The player splices there: it keeps an offset
// in 90 kHz ticks that, added to any time stamp of the following sectors, gives a time on one
// timeline that starts at 0 with the first VOBU played and never jumps back.
//
// Sectors are read ahead in runs (kReadAheadSectors at most, never past the cell being played)
// into a buffer the player owns, as the reader answers a run with one read of the file where
// it would answer every sector with a seek and a read. A sector outside the run in hand starts
// a new run there, so every jump (a new cell, a VOBU that does not follow, a new title) reads
// afresh. A run answered in part is kept as far as it goes, and a run answered with nothing is
// tried again as the one sector wanted: a damaged sector is reported as it would be without
// reading ahead, after every sector before it.
#pragma once

#include <dvdread/dvd_reader.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/dvd/disc_path.h"
#include "platform/dvd/dvd_reader.h"
#include "platform/dvd/title_cells.h"

namespace tarn::dvd {

inline constexpr size_t kSectorSize = 2048;

struct PlayLocation {
  int title = 0;
  int chapter = 0;
  int64_t time = 0;  // 100 ns units on the player's timeline: start of the current VOBU
};

enum class PlayerEventKind {
  kSector,         // one program stream sector of the wanted chapters
  kTailSector,     // a sector after them, for the audio of their last moments only
  kCellChange,     // a new cell begins (location says of which title and chapter)
  kPaletteChange,  // the subpicture palette: 16 entries 0x00YYCrCb
  kStop,           // playback has ended; `error` says why when it did not finish
};

struct PlayerEvent {
  PlayerEventKind kind = PlayerEventKind::kStop;
  std::span<const uint8_t> sector;  // kSector: valid until the next call of Next
  int64_t timeOffset = 0;           // kSector, kTailSector: 90 kHz ticks to add to PTS and DTS
  // kStop: time is the end of the wanted chapters on the timeline. kTailSector: the same end;
  // only audio that starts before it belongs to the chapters.
  PlayLocation location;
  std::array<uint32_t, 16> palette{};
  std::string error;  // kStop: empty when playback finished normally
};

class ChapterPlayer {
 public:
  // Opens the disc; throws DvdError when it cannot be read.
  explicit ChapterPlayer(const DiscLocation& location);
  ~ChapterPlayer();
  ChapterPlayer(const ChapterPlayer&) = delete;
  ChapterPlayer& operator=(const ChapterPlayer&) = delete;

  int TitleCount() const;
  int ChapterCount(int title) const;

  // Plays `count` chapters of `title` from `firstChapter` (numbered from 1), then stops.
  // Throws DvdError (kInvalidArgument) for chapters the title does not have.
  void PlayChapters(int title, int firstChapter, int count);
  // Plays from `chapter` to the end of the title.
  void PlayFromChapter(int title, int chapter);
  void Stop();

  // The next thing that happens. After playback has ended it answers kStop again and again.
  PlayerEvent Next();

  bool stopped() const { return cells_.cells.empty() || cell_ >= cells_.cells.size(); }
  PlayLocation location() const { return location_; }
  // How long the wanted chapters last on the timeline (100 ns units): from the first picture to
  // the end of the last, as the cells' first and last navigation packs give it. Known before
  // the first sector is read, so that the layers above can end their sound exactly there;
  // none when a cell's packs cannot be read.
  std::optional<int64_t> runLength() const { return runLength_; }

  // How far past the end of the wanted chapters the tail is read (100 ns units).
  static constexpr int64_t kTailLength = 10'000'000;

  // The longest run of sectors one read brings in (64 KB).
  static constexpr uint32_t kReadAheadSectors = 32;

 private:
  struct VobFileCloser {
    void operator()(dvd_file_t* file) const { DVDCloseFile(file); }
  };

  // Makes `sector` the current one (sector_), reading a run up to `last` when it is not in the
  // run in hand; false with `error_` set when it cannot be read.
  bool ReadSector(uint32_t sector, uint32_t last);
  void ForgetRun() { runSectors_ = 0; }
  // Starts the VOBU at `sector` of the current cell; false with `error_` set when it is damaged.
  bool EnterVobu(uint32_t sector);
  PlayerEvent NextTail();
  std::optional<int64_t> MeasureRun();
  PlayerEvent Finish(std::string error);

  DvdReader reader_;
  std::unique_ptr<dvd_file_t, VobFileCloser> vobs_;
  int vobsTitleSet_ = 0;
  TitleCells cells_;
  int title_ = 0;
  size_t cell_ = 0;  // index of the cell being played
  bool cellStarted_ = false;
  size_t paletteShown_ = SIZE_MAX;
  uint32_t nextSector_ = 0;  // next sector of the current VOBU to hand out
  uint32_t vobuLast_ = 0;    // last sector of the current VOBU
  uint32_t nextVobu_ = 0;    // start of the next VOBU of the cell, 0 when the cell ends with this one
  PlayLocation location_;
  bool timelineStarted_ = false;
  int64_t timeOffset_ = 0;   // 90 kHz ticks
  int64_t previousEnd_ = 0;  // vobu_e_ptm of the previous VOBU, in its own time base
  int64_t rangeEnd_ = -1;    // end of the wanted chapters on the timeline, once reached
  std::optional<int64_t> runLength_;
  std::string error_;
  std::vector<uint8_t> run_;         // kReadAheadSectors sectors read ahead, allocated once
  uint32_t runFirst_ = 0;            // the run's first sector
  uint32_t runSectors_ = 0;          // how many of its sectors were read
  std::span<const uint8_t> sector_;  // the current sector, inside run_
};

}  // namespace tarn::dvd
