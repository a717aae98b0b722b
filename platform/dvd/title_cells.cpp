#include "platform/dvd/title_cells.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/dvd/chapter_span.h"
#include "platform/dvd/dvd_error.h"

namespace tarn::dvd {
namespace {

[[noreturn]] void Damaged(const DvdReader& reader, const std::string& what) {
  throw DvdError(DvdErrorKind::kDamaged, reader.location().directory + ": " + what);
}

const title_info_t* FindTitle(const ifo_handle_t& manager, int title) {
  const tt_srpt_t* table = manager.tt_srpt;
  if (table == nullptr || table->title == nullptr || title < 1 || title > table->nr_of_srpts) return nullptr;
  return &table->title[title - 1];
}

const ttu_t& TitleParts(const DvdReader& reader, const ifo_handle_t& vts, const title_info_t& entry) {
  const vts_ptt_srpt_t* parts = vts.vts_ptt_srpt;
  if (parts == nullptr || entry.vts_ttn < 1 || entry.vts_ttn > parts->nr_of_srpts ||
      parts->title[entry.vts_ttn - 1].ptt == nullptr) {
    Damaged(reader, "the title is missing from its title set");
  }
  return parts->title[entry.vts_ttn - 1];
}

const pgc_t& ProgramChainOf(const DvdReader& reader, const ifo_handle_t& vts, int pgcn) {
  const pgcit_t* table = vts.vts_pgcit;
  if (table == nullptr || pgcn < 1 || pgcn > table->nr_of_pgci_srp || table->pgci_srp[pgcn - 1].pgc == nullptr) {
    Damaged(reader, "a chapter points at a program chain that does not exist");
  }
  return *table->pgci_srp[pgcn - 1].pgc;
}

bool IsLaterAngle(const cell_playback_t& cell) {
  return cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode != BLOCK_MODE_FIRST_CELL;
}

// The cells from `cell` on (from 1) that are not later angles, as the tail of the run: short
// cells may each hold less than the audio's lag behind the pictures, so the player reads on
// through as many as that takes.
void AddTail(const pgc_t& pgc, int cell, int chapter, TitleCells& result) {
  for (; cell <= pgc.nr_of_cells; ++cell) {
    const cell_playback_t& playback = pgc.cell_playback[cell - 1];
    if (IsLaterAngle(playback) || playback.last_sector < playback.first_sector) continue;
    result.cells.push_back({chapter, playback.first_sector, playback.last_sector, playback.last_vobu_start_sector,
                            result.palettes.size() - 1, true});
  }
}

// A still of 1 to 254 s holds the cell's last picture that long. An endless one (255) waits
// for the viewer on a player; a conversion has no viewer and goes on at once.
int StillSeconds(const cell_playback_t& playback) { return playback.still_time < 255 ? playback.still_time : 0; }

}  // namespace

int CountTitles(const DvdReader& reader) {
  const IfoHandle manager = reader.OpenIfo(0);
  return manager->tt_srpt != nullptr ? manager->tt_srpt->nr_of_srpts : 0;
}

int CountChapters(const DvdReader& reader, int title) {
  const IfoHandle manager = reader.OpenIfo(0);
  const title_info_t* entry = FindTitle(*manager, title);
  return entry != nullptr ? entry->nr_of_ptts : 0;
}

TitleCells ReadTitleCells(const DvdReader& reader, int title, int firstChapter, int lastChapter) {
  const IfoHandle manager = reader.OpenIfo(0);
  const title_info_t* entry = FindTitle(*manager, title);
  if (entry == nullptr)
    throw DvdError(DvdErrorKind::kInvalidArgument, "the disc has no title " + std::to_string(title));
  const IfoHandle vts = reader.OpenIfo(entry->title_set_nr);
  const ttu_t& parts = TitleParts(reader, *vts, *entry);
  if (firstChapter < 1 || lastChapter < firstChapter || lastChapter > parts.nr_of_ptts) {
    throw DvdError(DvdErrorKind::kInvalidArgument, "title " + std::to_string(title) + " has no chapters " +
                                                       std::to_string(firstChapter) + " to " +
                                                       std::to_string(lastChapter));
  }
  TitleCells result;
  result.titleSet = entry->title_set_nr;
  result.chapterCount = parts.nr_of_ptts;
  int palettePgcn = 0;
  for (int chapter = firstChapter; chapter <= lastChapter; ++chapter) {
    const ptt_info_t& part = parts.ptt[chapter - 1];
    const pgc_t& pgc = ProgramChainOf(reader, *vts, part.pgcn);
    const std::optional<CellSpan> span = ChapterSpan(parts, chapter, pgc);
    if (!span) Damaged(reader, "a chapter points at a program or cells that do not exist");
    const int firstCell = span->first;
    const int endCell = span->end;
    if (part.pgcn != palettePgcn) {
      result.palettes.emplace_back();
      // The chain is a packed structure: copy element by element, never through references.
      for (size_t i = 0; i < 16; ++i) result.palettes.back()[i] = pgc.palette[i];
      palettePgcn = part.pgcn;
    }
    for (int cell = firstCell; cell < endCell; ++cell) {
      const cell_playback_t& playback = pgc.cell_playback[cell - 1];
      if (IsLaterAngle(playback)) continue;
      if (playback.last_sector < playback.first_sector) Damaged(reader, "a cell ends before it starts");
      result.cells.push_back({chapter, playback.first_sector, playback.last_sector, playback.last_vobu_start_sector,
                              result.palettes.size() - 1, false, StillSeconds(playback)});
    }
    if (chapter == lastChapter) AddTail(pgc, endCell, chapter, result);
  }
  return result;
}

}  // namespace tarn::dvd
