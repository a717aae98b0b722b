#include "platform/dvd/chapter_player.h"

#include <dvdnav/dvdnav_events.h>

#include <cstring>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_reader.h"
#include "platform/dvd/dvd_time.h"
#include "platform/dvd/library_log.h"
#include "platform/dvd/quiet_stdout.h"

namespace tarn::dvd {

ChapterPlayer::ChapterPlayer(const DiscLocation& location)
    : log_(std::make_unique<LibraryLog>()), directory_(location.directory) {
  const dvdnav_logger_cb logger{&LogNavigatorMessage};
  dvdnav_status_t status = DVDNAV_STATUS_ERR;
  {
    QuietStdout quiet;
    status = dvdnav_open2(&nav_, log_.get(), &logger, location.readerPath.c_str());
  }
  if (status != DVDNAV_STATUS_OK || nav_ == nullptr) {
    if (nav_ != nullptr) dvdnav_close(nav_);
    nav_ = nullptr;
    throw DvdError(DvdErrorKind::kNotADisc, directory_ + ": the navigator cannot open the disc" +
                                                (log_->last().empty() ? "" : " (" + log_->last() + ")"));
  }
  // Navigation follows the program chain, not the cell order of the files.
  dvdnav_set_PGC_positioning_flag(nav_, 1);
  dvdnav_set_readahead_flag(nav_, 1);
}

ChapterPlayer::~ChapterPlayer() {
  if (nav_ != nullptr) dvdnav_close(nav_);
}

int ChapterPlayer::TitleCount() const {
  int32_t titles = 0;
  return dvdnav_get_number_of_titles(nav_, &titles) == DVDNAV_STATUS_OK ? titles : 0;
}

int ChapterPlayer::ChapterCount(int title) const {
  int32_t parts = 0;
  if (title < 1 || title > TitleCount()) return 0;
  return dvdnav_get_number_of_parts(nav_, title, &parts) == DVDNAV_STATUS_OK ? parts : 0;
}

void ChapterPlayer::PlayChapters(int title, int firstChapter, int count) {
  const int chapters = ChapterCount(title);
  if (count < 1 || firstChapter < 1 || firstChapter + count - 1 > chapters) {
    throw DvdError(DvdErrorKind::kInvalidArgument, "title " + std::to_string(title) + " has no chapters " +
                                                       std::to_string(firstChapter) + " to " +
                                                       std::to_string(firstChapter + count - 1));
  }
  Start(title, firstChapter, firstChapter + count - 1);
}

void ChapterPlayer::PlayFromChapter(int title, int chapter) {
  if (chapter < 1 || chapter > ChapterCount(title)) {
    throw DvdError(DvdErrorKind::kInvalidArgument,
                   "title " + std::to_string(title) + " has no chapter " + std::to_string(chapter));
  }
  Start(title, chapter, 0);
}

void ChapterPlayer::Start(int title, int firstChapter, int lastChapter) {
  // Jumping straight into the title skips the first-play program and every menu.
  if (dvdnav_part_play(nav_, title, firstChapter) != DVDNAV_STATUS_OK) {
    throw DvdError(DvdErrorKind::kNavigation, directory_ + ": cannot play title " + std::to_string(title) +
                                                  " chapter " + std::to_string(firstChapter) + ": " +
                                                  dvdnav_err_to_string(nav_));
  }
  state_ = State::kSeeking;
  title_ = title;
  firstChapter_ = firstChapter;
  lastChapter_ = lastChapter;
  location_ = {title, firstChapter, 0};
  timelineStarted_ = false;
  timeOffset_ = 0;
  previousEnd_ = 0;
  stepsWithoutData_ = 0;
}

void ChapterPlayer::Stop() {
  if (state_ != State::kStopped) dvdnav_stop(nav_);
  state_ = State::kStopped;
}

bool ChapterPlayer::EnterCell() {
  int32_t title = 0;
  int32_t chapter = 0;
  const bool inTitle = dvdnav_is_domain_vts(nav_) && dvdnav_current_title_info(nav_, &title, &chapter) == DVDNAV_STATUS_OK;
  if (!inTitle) {
    // A menu or a first-play program: never played through. Before the title is reached this
    // is a transition and the step bound catches a disc that never gets there.
    return state_ == State::kSeeking;
  }
  if (lastChapter_ == 0) {  // playing on without auto-stop: follow the disc wherever it goes
    state_ = State::kPlaying;
  } else if (title == title_ && chapter >= firstChapter_ && chapter <= lastChapter_) {
    state_ = State::kPlaying;
  } else if (state_ == State::kPlaying || title != title_ || chapter > lastChapter_) {
    return false;  // past the wanted chapters, or jumped elsewhere
  }
  location_.title = title;
  location_.chapter = chapter;
  return true;
}

void ChapterPlayer::UpdateTimeline() {
  const pci_t* pci = dvdnav_get_current_nav_pci(nav_);
  if (pci == nullptr) return;
  const int64_t start = pci->pci_gi.vobu_s_ptm;
  const int64_t end = pci->pci_gi.vobu_e_ptm;
  if (!timelineStarted_) {
    timeOffset_ = -start;
    timelineStarted_ = true;
  } else if (start != previousEnd_) {
    timeOffset_ += previousEnd_ - start;  // splice: this VOBU continues where the last one ended
  }
  previousEnd_ = end;
  location_.time = TicksToUnits(start + timeOffset_);
}

PlayerEvent ChapterPlayer::Finish(std::string error) {
  Stop();
  PlayerEvent event;
  event.kind = PlayerEventKind::kStop;
  event.location = location_;
  if (timelineStarted_) event.location.time = TicksToUnits(previousEnd_ + timeOffset_);
  event.error = std::move(error);
  return event;
}

PlayerEvent ChapterPlayer::Next() {
  while (state_ != State::kStopped) {
    if (++stepsWithoutData_ > kMaxStepsWithoutData) {
      return Finish(directory_ + ": navigation loops without reaching any video data; playback given up");
    }
    int32_t eventCode = 0;
    int32_t length = 0;
    if (dvdnav_get_next_block(nav_, buffer_.data(), &eventCode, &length) != DVDNAV_STATUS_OK) {
      return Finish(directory_ + ": cannot read the disc: " + dvdnav_err_to_string(nav_));
    }
    PlayerEvent event;
    switch (eventCode) {
      case DVDNAV_BLOCK_OK:
        if (state_ != State::kPlaying || length != static_cast<int32_t>(kSectorSize)) break;
        stepsWithoutData_ = 0;
        event.kind = PlayerEventKind::kSector;
        event.sector = std::span<const uint8_t>(buffer_.data(), kSectorSize);
        event.timeOffset = timeOffset_;
        event.location = location_;
        return event;
      case DVDNAV_NAV_PACKET:
        if (state_ == State::kPlaying) UpdateTimeline();
        break;
      case DVDNAV_CELL_CHANGE:
        if (!EnterCell()) return Finish("");
        if (state_ != State::kPlaying) break;
        event.kind = PlayerEventKind::kCellChange;
        event.location = location_;
        return event;
      case DVDNAV_SPU_CLUT_CHANGE:
        event.kind = PlayerEventKind::kPaletteChange;
        std::memcpy(event.palette.data(), buffer_.data(), sizeof(uint32_t) * event.palette.size());
        return event;
      case DVDNAV_AUDIO_STREAM_CHANGE: {
        dvdnav_audio_stream_change_event_t change{};
        std::memcpy(&change, buffer_.data(), sizeof change);
        event.kind = PlayerEventKind::kAudioStreamChange;
        event.stream = change.physical;
        return event;
      }
      case DVDNAV_SPU_STREAM_CHANGE: {
        dvdnav_spu_stream_change_event_t change{};
        std::memcpy(&change, buffer_.data(), sizeof change);
        event.kind = PlayerEventKind::kSubpictureStreamChange;
        // For 4:3 titles all three fields name the one 4:3 stream.
        event.stream = dvdnav_get_video_aspect(nav_) == 3 ? change.physical_wide : change.physical_letterbox;
        return event;
      }
      case DVDNAV_STILL_FRAME:
        dvdnav_still_skip(nav_);
        break;
      case DVDNAV_WAIT:
        dvdnav_wait_skip(nav_);
        break;
      case DVDNAV_STOP:
        return Finish("");
      default:  // VTS change, highlight, channel hop, nop: nothing to hand on
        break;
    }
  }
  return Finish("");
}

}  // namespace tarn::dvd
