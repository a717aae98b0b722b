// Arbitrary bytes as a disc's two information files, read through libdvdread from a private
// folder: the title-cell reader either answers with cells that make sense or says the disc is
// damaged.
//   4 bytes big-endian length of VIDEO_TS.IFO, its bytes, then the bytes of VTS_01_0.IFO
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "fuzz_temp_folder.h"
#include "platform/dvd/dvd_error.h"
#include "platform/dvd/title_cells.h"

namespace {

using namespace tarn;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// The whole title, and its last chapter alone (a later program chain, the tail at its end).
void CheckTitle(const dvd::DvdReader& reader, int title) {
  const int chapters = dvd::CountChapters(reader, title);
  if (chapters < 1) return;
  for (const int first : {1, chapters}) {
    try {
      const dvd::TitleCells cells = dvd::ReadTitleCells(reader, title, first, chapters);
      for (const dvd::PlayCell& cell : cells.cells) {
        Require(cell.palette < cells.palettes.size());
        Require(cell.firstSector <= cell.lastSector);
        Require(cell.chapter >= first && cell.chapter <= chapters);
      }
    } catch (const dvd::DvdError&) {
    }
    if (chapters == 1) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::TempFolder folder;
  static const std::filesystem::path videoTs = [] {
    std::filesystem::create_directories(folder.path() / "VIDEO_TS");
    return folder.path() / "VIDEO_TS";
  }();
  if (size < 4) return 0;
  const std::size_t managerBytes =
      std::min<std::size_t>(static_cast<std::size_t>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3], size - 4);
  fuzz::WriteBytes(videoTs / "VIDEO_TS.IFO", data + 4, managerBytes);
  fuzz::WriteBytes(videoTs / "VTS_01_0.IFO", data + 4 + managerBytes, size - 4 - managerBytes);
  try {
    const dvd::DvdReader reader(dvd::DiscLocation{folder.path().string(), folder.path().string(), false});
    const int titles = dvd::CountTitles(reader);
    for (int title = 1; title <= std::min(titles, 2); ++title) CheckTitle(reader, title);
  } catch (const dvd::DvdError&) {
  }
  return 0;
}
