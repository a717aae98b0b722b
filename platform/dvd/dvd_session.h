// One open disc with its description, player, stream choices and domain: everything the DVD
// navigator filter keeps, without the interfaces it answers through.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/dvd/chapter_player.h"
#include "platform/dvd/disc_description.h"
#include "platform/dvd/drive_search.h"
#include "platform/dvd/stream_selection.h"

namespace tarn::dvd {

enum class DvdDomain {
  kStop,   // nothing playing: after opening, after Stop, and after a run has ended by itself
  kTitle,  // playing chapters of a title
};

class DvdSession {
 public:
  // Opens the disc at `path` (an .ifo file, a VIDEO_TS folder, a disc folder or an image), or
  // with an empty path the first disc found in the drives. Throws DvdError; a disc open before
  // stays open when the new one cannot be opened.
  void Open(const std::string& path, const DriveSearchPlaces& drives = {});
  bool isOpen() const { return player_ != nullptr; }

  // Throw DvdError (kNavigation) when no disc is open.
  const std::string& directory() const;
  const DiscDescription& disc() const;
  const TitleInfo& title(int number) const;  // throws kInvalidArgument for a title not on the disc

  // Plays `count` chapters from `chapter` of `title` and stops by itself after them.
  void PlayChapters(int title, int chapter, int count);
  // Plays from `chapter` to the end of the title.
  void PlayChapterInTitle(int title, int chapter);
  void Stop();

  // The next event of the player; the domain turns to kStop with the run's kStop event.
  PlayerEvent Next();

  DvdDomain domain() const { return domain_; }
  PlayLocation location() const;
  // How long the run of chapters started last lasts on the timeline, when its cells tell.
  std::optional<int64_t> runLength() const;
  StreamSelection& streams() { return streams_; }
  const StreamSelection& streams() const { return streams_; }

 private:
  const ChapterPlayer& player() const;
  void PrepareTitle(int title);

  std::optional<DiscDescription> disc_;
  std::unique_ptr<ChapterPlayer> player_;
  StreamSelection streams_;
  DvdDomain domain_ = DvdDomain::kStop;
};

}  // namespace tarn::dvd
