// Which cells of its program chain a chapter spans.
//
// A chapter names the program it starts at. A program chain may hold programs that no chapter
// names (a program per scene, say, with chapters only at some of them): those belong to the
// chapter before them, so a chapter runs up to the program of the next chapter in the same chain,
// or else to the chain's last cell.
#pragma once

#include <dvdread/ifo_types.h>

#include <optional>

namespace tarn::dvd {

struct CellSpan {
  int first = 0;  // from 1
  int end = 0;    // one past the chapter's last cell
};

// The cells of chapter `chapter` (from 1) of the title whose parts are `parts`, in `pgc`, the
// chain that chapter names; none when the tables point outside the chain.
std::optional<CellSpan> ChapterSpan(const ttu_t& parts, int chapter, const pgc_t& pgc);

}  // namespace tarn::dvd
