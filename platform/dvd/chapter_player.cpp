#include "platform/dvd/chapter_player.h"

#include <algorithm>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_time.h"
#include "platform/dvd/nav_pack.h"
#include "platform/dvd/quiet_stdout.h"

namespace tarn::dvd {

ChapterPlayer::ChapterPlayer(const DiscLocation& location)
    : reader_(location), run_(size_t{kReadAheadSectors} * kSectorSize) {}

ChapterPlayer::~ChapterPlayer() = default;

int ChapterPlayer::TitleCount() const { return CountTitles(reader_); }

int ChapterPlayer::ChapterCount(int title) const { return CountChapters(reader_, title); }

void ChapterPlayer::PlayChapters(int title, int firstChapter, int count) {
  if (count < 1) throw DvdError(DvdErrorKind::kInvalidArgument, "no chapters to play");
  TitleCells cells = ReadTitleCells(reader_, title, firstChapter, firstChapter + count - 1);
  if (cells.titleSet != vobsTitleSet_ || !vobs_) {
    {
      QuietStdout quiet;
      vobs_.reset(DVDOpenFile(reader_.get(), cells.titleSet, DVD_READ_TITLE_VOBS));
    }
    if (!vobs_) {
      throw DvdError(DvdErrorKind::kDamaged, reader_.location().directory + ": the video files of title set " +
                                                 std::to_string(cells.titleSet) + " are missing");
    }
    vobsTitleSet_ = cells.titleSet;
  }
  cells_ = std::move(cells);
  ForgetRun();  // another title set's file, or sectors read for another run of chapters
  title_ = title;
  cell_ = 0;
  cellStarted_ = false;
  paletteShown_ = SIZE_MAX;
  location_ = {title, firstChapter, 0};
  timelineStarted_ = false;
  timeOffset_ = 0;
  previousEnd_ = 0;
  rangeEnd_ = -1;
  error_.clear();
  runLength_ = MeasureRun();
  error_.clear();
}

// Cells play one after the other and the timeline splices every jump between them, so the run
// lasts the sum of its cells' spans; within a cell the VOBUs follow each other without a gap.
std::optional<int64_t> ChapterPlayer::MeasureRun() {
  int64_t ticks = 0;
  for (const PlayCell& cell : cells_.cells) {
    if (cell.tail) break;
    if (cell.lastVobuSector < cell.firstSector || cell.lastVobuSector > cell.lastSector) return std::nullopt;
    if (!ReadSector(cell.firstSector, cell.firstSector)) return std::nullopt;
    const std::optional<NavPack> first = ParseNavPack(sector_);
    if (!ReadSector(cell.lastVobuSector, cell.lastVobuSector)) return std::nullopt;
    const std::optional<NavPack> last = ParseNavPack(sector_);
    if (!first || !last || last->endTicks < first->startTicks) return std::nullopt;
    ticks += last->endTicks - first->startTicks + int64_t{cell.stillSeconds} * kTicksPerSecond;
  }
  return TicksToUnits(ticks);
}

void ChapterPlayer::PlayFromChapter(int title, int chapter) {
  const int chapters = ChapterCount(title);
  if (chapter < 1 || chapter > chapters) {
    throw DvdError(DvdErrorKind::kInvalidArgument,
                   "title " + std::to_string(title) + " has no chapter " + std::to_string(chapter));
  }
  PlayChapters(title, chapter, chapters - chapter + 1);
}

void ChapterPlayer::Stop() {
  cell_ = cells_.cells.size();
  ForgetRun();
}

bool ChapterPlayer::ReadSector(uint32_t sector, uint32_t last) {
  if (sector >= runFirst_ && sector - runFirst_ < runSectors_) {
    sector_ = std::span<const uint8_t>(run_).subspan(size_t{sector - runFirst_} * kSectorSize, kSectorSize);
    return true;
  }
  runFirst_ = sector;
  runSectors_ = 0;
  const uint64_t wanted = last > sector ? std::min<uint64_t>(kReadAheadSectors, uint64_t{last} - sector + 1) : 1;
  ssize_t read = wanted > 1 ? DVDReadBlocks(vobs_.get(), static_cast<int>(sector), wanted, run_.data()) : 0;
  if (read <= 0) read = DVDReadBlocks(vobs_.get(), static_cast<int>(sector), 1, run_.data());
  if (read > 0) {
    runSectors_ = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(read), wanted));
    sector_ = std::span<const uint8_t>(run_).first(kSectorSize);
    return true;
  }
  error_ = reader_.location().directory + ": cannot read sector " + std::to_string(sector) + " of title set " +
           std::to_string(vobsTitleSet_) + " (its video file is damaged or cut short)";
  return false;
}

bool ChapterPlayer::EnterVobu(uint32_t sector) {
  const PlayCell& cell = cells_.cells[cell_];
  if (!ReadSector(sector, cell.lastSector)) return false;
  const std::optional<NavPack> pack = ParseNavPack(sector_);
  if (!pack || sector + pack->lastSector > cell.lastSector) {
    error_ = reader_.location().directory + ": sector " + std::to_string(sector) + " of title set " +
             std::to_string(vobsTitleSet_) + " should begin a VOBU but holds no valid navigation pack";
    return false;
  }
  vobuLast_ = sector + pack->lastSector;
  nextSector_ = sector + 1;
  // The next VOBU must lie ahead in the cell, so every step makes progress.
  const uint32_t following = pack->nextVobu ? sector + *pack->nextVobu : vobuLast_ + 1;
  nextVobu_ = following > vobuLast_ && following <= cell.lastSector ? following : 0;

  if (!timelineStarted_) {
    timeOffset_ = -pack->startTicks;
    timelineStarted_ = true;
  } else if (pack->startTicks != previousEnd_) {
    timeOffset_ += previousEnd_ - pack->startTicks;  // splice: this VOBU continues where the last one ended
  }
  previousEnd_ = pack->endTicks;
  location_.time = TicksToUnits(pack->startTicks + timeOffset_);
  return true;
}

PlayerEvent ChapterPlayer::Finish(std::string error) {
  Stop();
  PlayerEvent event;
  event.kind = PlayerEventKind::kStop;
  if (rangeEnd_ >= 0) {
    location_.time = rangeEnd_;
  } else if (timelineStarted_) {
    location_.time = TicksToUnits(previousEnd_ + timeOffset_);
  }
  event.location = location_;
  event.error = std::move(error);
  return event;
}

PlayerEvent ChapterPlayer::Next() {
  PlayerEvent event;
  while (!stopped()) {
    const PlayCell& cell = cells_.cells[cell_];
    if (cell.tail) return NextTail();
    if (!cellStarted_) {
      if (cell.palette != paletteShown_) {
        paletteShown_ = cell.palette;
        event.kind = PlayerEventKind::kPaletteChange;
        event.palette = cells_.palettes[cell.palette];
        return event;
      }
      if (!EnterVobu(cell.firstSector)) return Finish(error_);
      cellStarted_ = true;
      location_.chapter = cell.chapter;
      event.kind = PlayerEventKind::kCellChange;
      event.location = location_;
      return event;
    }
    if (nextSector_ <= vobuLast_) {
      if (!ReadSector(nextSector_, cell.lastSector)) return Finish(error_);
      ++nextSector_;
      event.kind = PlayerEventKind::kSector;
      event.sector = sector_;
      event.timeOffset = timeOffset_;
      event.location = location_;
      return event;
    }
    if (nextVobu_ == 0) {
      // A still moves everything after it on by its time (the splice of the next VOBU sees
      // the jump), so the pictures and sound after it keep their distance from those before.
      previousEnd_ += int64_t{cell.stillSeconds} * kTicksPerSecond;
      ++cell_;
      cellStarted_ = false;
      continue;
    }
    if (!EnterVobu(nextVobu_)) return Finish(error_);
  }
  return Finish("");
}

PlayerEvent ChapterPlayer::NextTail() {
  PlayerEvent event;
  if (rangeEnd_ < 0) rangeEnd_ = TicksToUnits(previousEnd_ + timeOffset_);
  // The wanted chapters are complete whatever happens in the tail: it ends without an error.
  for (;;) {
    if (!cellStarted_) {
      cellStarted_ = true;
      if (!EnterVobu(cells_.cells[cell_].firstSector)) return Finish("");
    }
    if (nextSector_ <= vobuLast_) break;
    if (nextVobu_ != 0) {
      if (!EnterVobu(nextVobu_)) return Finish("");
      continue;
    }
    if (++cell_ >= cells_.cells.size()) return Finish("");
    cellStarted_ = false;
  }
  if (location_.time >= rangeEnd_ + kTailLength || !ReadSector(nextSector_, cells_.cells[cell_].lastSector)) {
    return Finish("");
  }
  ++nextSector_;
  event.kind = PlayerEventKind::kTailSector;
  event.sector = sector_;
  event.timeOffset = timeOffset_;
  event.location = location_;
  event.location.time = rangeEnd_;
  return event;
}

}  // namespace tarn::dvd
