#include "platform/dvd/disc_description.h"

#include <map>
#include <optional>

#include "platform/dvd/chapter_span.h"
#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_reader.h"
#include "platform/dvd/dvd_time.h"
#include "platform/dvd/language_codes.h"

namespace tarn::dvd {
namespace {

[[noreturn]] void Damaged(const DiscLocation& location, const std::string& what) {
  throw DvdError(DvdErrorKind::kDamaged, location.directory + ": " + what);
}

AudioFormat ToAudioFormat(unsigned code) {
  switch (code) {
    case 0:
      return AudioFormat::kAc3;
    case 2:
      return AudioFormat::kMpeg1;
    case 3:
      return AudioFormat::kMpeg2;
    case 4:
      return AudioFormat::kLpcm;
    case 6:
      return AudioFormat::kDts;
    default:
      return AudioFormat::kOther;
  }
}

VideoInfo ReadVideo(const video_attr_t& attr) {
  VideoInfo video;
  video.standard = attr.video_format == 1 ? VideoStandard::kPal : VideoStandard::kNtsc;
  video.aspect = attr.display_aspect_ratio == 3 ? AspectRatio::k16x9 : AspectRatio::k4x3;
  video.height = video.standard == VideoStandard::kPal ? 576 : 480;
  static constexpr std::array<int, 4> kWidths{720, 704, 352, 352};
  video.width = kWidths[attr.picture_size];
  if (attr.picture_size == 3) video.height /= 2;
  return video;
}

// The program chain `pgcn` (from 1) of a title set, checked against the table's bounds.
const pgc_t& ProgramChain(const ifo_handle_t& vts, int pgcn, const DiscLocation& location) {
  const pgcit_t* table = vts.vts_pgcit;
  if (table == nullptr || pgcn < 1 || pgcn > table->nr_of_pgci_srp || table->pgci_srp[pgcn - 1].pgc == nullptr) {
    Damaged(location, "a chapter points at a program chain that does not exist");
  }
  return *table->pgci_srp[pgcn - 1].pgc;
}

// The length of chapter `chapter` of a title: the cells it spans (see ChapterSpan). Cells of
// other angles than the first do not add to the length.
int64_t ChapterLength(const ifo_handle_t& vts, const ttu_t& parts, int chapter, const DiscLocation& location) {
  const pgc_t& pgc = ProgramChain(vts, parts.ptt[chapter - 1].pgcn, location);
  const std::optional<CellSpan> span = ChapterSpan(parts, chapter, pgc);
  if (!span) Damaged(location, "a chapter points at a program or cells that do not exist");
  const int firstCell = span->first;
  const int endCell = span->end;
  int64_t length = 0;
  for (int cell = firstCell; cell < endCell; ++cell) {
    const cell_playback_t& playback = pgc.cell_playback[cell - 1];
    if (playback.block_type == BLOCK_TYPE_ANGLE_BLOCK && playback.block_mode != BLOCK_MODE_FIRST_CELL) continue;
    int64_t cellLength = 0;
    if (!DvdTimeToUnits(playback.playback_time, cellLength))
      Damaged(location, "a cell's playback time is not a valid time code");
    length += cellLength;
  }
  return length;
}

std::vector<AudioStreamInfo> ReadAudio(const vtsi_mat_t& mat, const pgc_t& pgc) {
  std::vector<AudioStreamInfo> streams;
  const int count = std::min<int>(mat.nr_of_vts_audio_streams, 8);
  for (int i = 0; i < count; ++i) {
    // The title set declares its streams; each program chain says which of them it carries.
    if ((pgc.audio_control[i] & 0x8000) == 0) continue;
    const audio_attr_t& attr = mat.vts_audio_attr[i];
    AudioStreamInfo stream;
    stream.language = LanguageFromDiscCode(attr.lang_code);
    stream.locale = LocaleFromLanguage(stream.language);
    stream.format = ToAudioFormat(attr.audio_format);
    stream.channels = attr.channels + 1;
    stream.sampleRate = attr.sample_frequency == 1 ? 96000 : 48000;
    stream.physicalId = (pgc.audio_control[i] >> 8) & 0x7;
    streams.push_back(stream);
  }
  return streams;
}

std::vector<SubpictureStreamInfo> ReadSubpictures(const vtsi_mat_t& mat, const pgc_t& pgc, AspectRatio aspect) {
  std::vector<SubpictureStreamInfo> streams;
  const int count = std::min<int>(mat.nr_of_vts_subp_streams, 32);
  for (int i = 0; i < count; ++i) {
    const uint32_t control = pgc.subp_control[i];
    if ((control & 0x80000000u) == 0) continue;
    SubpictureStreamInfo stream;
    stream.language = LanguageFromDiscCode(mat.vts_subp_attr[i].lang_code);
    stream.locale = LocaleFromLanguage(stream.language);
    const int shift = aspect == AspectRatio::k16x9 ? 16 : 24;
    stream.physicalId = static_cast<int>((control >> shift) & 0x1f);
    streams.push_back(stream);
  }
  return streams;
}

TitleInfo ReadTitle(const title_info_t& entry, int number, const ifo_handle_t& vts, const DiscLocation& location) {
  TitleInfo title;
  title.number = number;
  title.titleSet = entry.title_set_nr;
  title.titleInSet = entry.vts_ttn;
  const vts_ptt_srpt_t* parts = vts.vts_ptt_srpt;
  if (vts.vtsi_mat == nullptr || parts == nullptr || entry.vts_ttn < 1 || entry.vts_ttn > parts->nr_of_srpts) {
    Damaged(location, "title " + std::to_string(number) + " is missing from its title set");
  }
  const ttu_t& unit = parts->title[entry.vts_ttn - 1];
  if (unit.nr_of_ptts == 0 || unit.ptt == nullptr)
    Damaged(location, "title " + std::to_string(number) + " has no chapters");
  for (int part = 0; part < unit.nr_of_ptts; ++part) {
    const int64_t length = ChapterLength(vts, unit, part + 1, location);
    title.chapters.push_back({length});
    title.length += length;
  }
  const pgc_t& firstChain = ProgramChain(vts, unit.ptt[0].pgcn, location);
  title.video = ReadVideo(vts.vtsi_mat->vts_video_attr);
  title.audio = ReadAudio(*vts.vtsi_mat, firstChain);
  title.subpictures = ReadSubpictures(*vts.vtsi_mat, firstChain, title.video.aspect);
  // The chain is a packed structure: copy element by element, never through references.
  for (size_t i = 0; i < title.palette.size(); ++i) title.palette[i] = firstChain.palette[i];
  return title;
}

}  // namespace

DiscDescription ReadDiscDescription(const std::string& path) { return ReadDiscDescription(ResolveDiscPath(path)); }

DiscDescription ReadDiscDescription(const DiscLocation& location) {
  const DvdReader reader(location);
  const IfoHandle manager = reader.OpenIfo(0);
  if (manager->tt_srpt == nullptr || manager->tt_srpt->title == nullptr)
    Damaged(location, "VIDEO_TS.IFO has no title table");
  const tt_srpt_t& table = *manager->tt_srpt;
  const int titleSets = manager->vmgi_mat != nullptr ? manager->vmgi_mat->vmg_nr_of_title_sets : 0;

  DiscDescription disc;
  disc.location = location;
  std::map<int, IfoHandle> openSets;  // each title set's file is read once
  for (int i = 0; i < table.nr_of_srpts; ++i) {
    const title_info_t& entry = table.title[i];
    if (entry.title_set_nr < 1 || entry.title_set_nr > titleSets) {
      Damaged(location, "title " + std::to_string(i + 1) + " names title set " + std::to_string(entry.title_set_nr) +
                            ", which the disc does not have");
    }
    auto found = openSets.find(entry.title_set_nr);
    if (found == openSets.end()) found = openSets.emplace(entry.title_set_nr, reader.OpenIfo(entry.title_set_nr)).first;
    disc.titles.push_back(ReadTitle(entry, i + 1, *found->second, location));
  }
  return disc;
}

const char* AudioFormatName(AudioFormat format) {
  switch (format) {
    case AudioFormat::kAc3:
      return "ac3";
    case AudioFormat::kMpeg1:
      return "mpeg1";
    case AudioFormat::kMpeg2:
      return "mpeg2";
    case AudioFormat::kLpcm:
      return "lpcm";
    case AudioFormat::kDts:
      return "dts";
    case AudioFormat::kOther:
      break;
  }
  return "other";
}

int AudioStreamId(const AudioStreamInfo& stream) {
  switch (stream.format) {
    case AudioFormat::kMpeg1:
    case AudioFormat::kMpeg2:
      return 0xc0 + stream.physicalId;
    case AudioFormat::kLpcm:
      return 0xa0 + stream.physicalId;
    case AudioFormat::kDts:
      return 0x88 + stream.physicalId;
    case AudioFormat::kAc3:
    case AudioFormat::kOther:
      break;
  }
  return 0x80 + stream.physicalId;
}

}  // namespace tarn::dvd
