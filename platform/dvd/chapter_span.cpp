#include "platform/dvd/chapter_span.h"

namespace tarn::dvd {

std::optional<CellSpan> ChapterSpan(const ttu_t& parts, int chapter, const pgc_t& pgc) {
  if (chapter < 1 || chapter > parts.nr_of_ptts || parts.ptt == nullptr) return std::nullopt;
  const ptt_info_t& part = parts.ptt[chapter - 1];
  if (part.pgn < 1 || part.pgn > pgc.nr_of_programs || pgc.program_map == nullptr || pgc.cell_playback == nullptr) {
    return std::nullopt;
  }
  CellSpan span{pgc.program_map[part.pgn - 1], pgc.nr_of_cells + 1};
  if (chapter < parts.nr_of_ptts) {
    const ptt_info_t& next = parts.ptt[chapter];
    if (next.pgcn == part.pgcn && next.pgn > part.pgn && next.pgn <= pgc.nr_of_programs) {
      span.end = pgc.program_map[next.pgn - 1];
    }
  }
  if (span.first < 1 || span.end > pgc.nr_of_cells + 1 || span.end <= span.first) return std::nullopt;
  return span;
}

}  // namespace tarn::dvd
