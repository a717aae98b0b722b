// Plays chapters of a title on libdvdnav and hands out the MPEG program stream sectors with the
// timing a demuxer needs for one continuous timeline.
//
// Playback goes straight to the wanted title; first-play programs and menus are never run
// through, still frames and waits are skipped, and navigation that keeps producing no data ends
// with an error after a bounded number of steps. libdvdnav's own auto-stop does not work, so the
// player checks title and chapter at every cell change and stops by itself after the last
// wanted chapter (a post command may jump to the next title without any other event).
//
// Time stamps restart in every source VOB; the only sign of a jump is a navigation pack whose
// start time differs from the previous one's end. The player splices there: it keeps an offset
// in 90 kHz ticks that, added to any time stamp of the following sectors, gives a time on one
// timeline that starts at 0 with the first sector played and never jumps back.
#pragma once

#include <dvdnav/dvdnav.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/dvd/disc_path.h"

namespace tarn::dvd {

inline constexpr size_t kSectorSize = 2048;

class LibraryLog;

struct PlayLocation {
  int title = 0;
  int chapter = 0;
  int64_t time = 0;  // 100 ns units on the player's timeline: start of the current VOBU
};

enum class PlayerEventKind {
  kSector,                  // one program stream sector of the wanted chapters
  kCellChange,              // a new cell of the wanted chapters begins (location says where)
  kPaletteChange,           // the subpicture palette: 16 entries 0x00YYCrCb
  kAudioStreamChange,       // the navigator's audio stream (physical number)
  kSubpictureStreamChange,  // the navigator's subpicture stream (physical number, -1: none)
  kStop,                    // playback has ended; `error` says why when it did not finish
};

struct PlayerEvent {
  PlayerEventKind kind = PlayerEventKind::kStop;
  std::span<const uint8_t> sector;  // kSector: valid until the next call of Next
  int64_t timeOffset = 0;           // kSector: 90 kHz ticks to add to the sector's PTS and DTS
  PlayLocation location;            // kStop: time is the end of the last VOBU played
  std::array<uint32_t, 16> palette{};
  int stream = -1;
  std::string error;  // kStop: empty when playback finished normally
};

class ChapterPlayer {
 public:
  // Opens the disc; throws DvdError when libdvdnav cannot.
  explicit ChapterPlayer(const DiscLocation& location);
  ~ChapterPlayer();
  ChapterPlayer(const ChapterPlayer&) = delete;
  ChapterPlayer& operator=(const ChapterPlayer&) = delete;

  int TitleCount() const;
  int ChapterCount(int title) const;

  // Plays `count` chapters of `title` from `firstChapter` (numbered from 1) and stops after them.
  // Throws DvdError (kInvalidArgument) for chapters the title does not have.
  void PlayChapters(int title, int firstChapter, int count);
  // Plays from `chapter` on, through the rest of the title and wherever the disc's program
  // chains lead, up to a menu or the end of the disc.
  void PlayFromChapter(int title, int chapter);
  void Stop();

  // The next thing that happens. After playback has ended it answers kStop again and again.
  PlayerEvent Next();

  bool stopped() const { return state_ == State::kStopped; }
  PlayLocation location() const { return location_; }

  // Navigation steps without a sector after which playback is given up as looping.
  static constexpr int kMaxStepsWithoutData = 5000;

 private:
  enum class State { kStopped, kSeeking, kPlaying };

  void Start(int title, int firstChapter, int lastChapter);
  // Decides at a cell change whether the new cell is wanted; false when playback ends here.
  bool EnterCell();
  void UpdateTimeline();
  PlayerEvent Finish(std::string error);

  std::unique_ptr<LibraryLog> log_;
  dvdnav_t* nav_ = nullptr;
  std::string directory_;
  State state_ = State::kStopped;
  int title_ = 0;
  int firstChapter_ = 0;
  int lastChapter_ = 0;  // 0: no auto-stop
  PlayLocation location_;
  bool timelineStarted_ = false;
  int64_t timeOffset_ = 0;     // 90 kHz ticks
  int64_t previousEnd_ = 0;    // vobu_e_ptm of the previous VOBU, in its own time base
  int stepsWithoutData_ = 0;
  std::array<uint8_t, kSectorSize> buffer_{};
};

}  // namespace tarn::dvd
