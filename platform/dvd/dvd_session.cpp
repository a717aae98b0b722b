#include "platform/dvd/dvd_session.h"

#include "platform/dvd/dvd_error.h"

namespace tarn::dvd {

void DvdSession::Open(const std::string& path, const DriveSearchPlaces& drives) {
  const DiscLocation location = path.empty() ? FindDiscInDrives(drives) : ResolveDiscPath(path);
  // Both are built before anything is replaced, so a failure keeps the disc open before.
  DiscDescription disc = ReadDiscDescription(location);
  auto player = std::make_unique<ChapterPlayer>(location);
  disc_ = std::move(disc);
  player_ = std::move(player);
  streams_.Reset();
  if (!disc_->titles.empty()) streams_.SetTitle(disc_->titles.front());
  domain_ = DvdDomain::kStop;
}

const ChapterPlayer& DvdSession::player() const {
  if (!player_) throw DvdError(DvdErrorKind::kNavigation, "no disc is open");
  return *player_;
}

const std::string& DvdSession::directory() const {
  player();
  return disc_->location.directory;
}

const DiscDescription& DvdSession::disc() const {
  player();
  return *disc_;
}

const TitleInfo& DvdSession::title(int number) const {
  const DiscDescription& description = disc();
  if (number < 1 || number > static_cast<int>(description.titles.size())) {
    throw DvdError(DvdErrorKind::kInvalidArgument, "the disc has no title " + std::to_string(number));
  }
  return description.titles[static_cast<size_t>(number - 1)];
}

void DvdSession::PrepareTitle(int number) { streams_.SetTitle(title(number)); }

void DvdSession::PlayChapters(int title, int chapter, int count) {
  player();
  player_->PlayChapters(title, chapter, count);
  PrepareTitle(title);
  domain_ = DvdDomain::kTitle;
}

void DvdSession::PlayChapterInTitle(int title, int chapter) {
  player();
  player_->PlayFromChapter(title, chapter);
  PrepareTitle(title);
  domain_ = DvdDomain::kTitle;
}

void DvdSession::Stop() {
  if (player_) player_->Stop();
  domain_ = DvdDomain::kStop;
}

PlayerEvent DvdSession::Next() {
  player();
  PlayerEvent event = player_->Next();
  if (event.kind == PlayerEventKind::kStop) domain_ = DvdDomain::kStop;
  return event;
}

PlayLocation DvdSession::location() const { return player().location(); }

std::optional<int64_t> DvdSession::runLength() const { return player().runLength(); }

}  // namespace tarn::dvd
