#include "disc_seeds.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/ps_demuxer.h"
#include "platform/dvd/title_cells.h"

namespace tarn::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kSector = 2048;

Bytes ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutBigEndian(Bytes& out, std::uint64_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Length of VIDEO_TS.IFO, its bytes, then the first title set's information file.
void WriteInformationSeed(const std::filesystem::path& videoTs, const std::filesystem::path& out) {
  const Bytes manager = ReadAll(videoTs / "VIDEO_TS.IFO");
  Bytes seed;
  PutBigEndian(seed, manager.size(), 4);
  seed.insert(seed.end(), manager.begin(), manager.end());
  const Bytes titleSet = ReadAll(videoTs / "VTS_01_0.IFO");
  seed.insert(seed.end(), titleSet.begin(), titleSet.end());
  WriteAll(out, seed);
}

// Runs of eight sectors from ten places of every title set's first video file, after the
// splice-offset byte.
void WriteSectorSeeds(const std::vector<Bytes>& videoFiles, const std::filesystem::path& dir, const std::string& stem) {
  int count = 0;
  for (const Bytes& video : videoFiles) {
    const std::size_t sectors = video.size() / kSector;
    for (std::size_t place = 0; place < 10 && sectors >= 8; ++place) {
      const std::size_t first = (sectors - 8) * place / 9;
      Bytes seed{0};
      seed.insert(seed.end(), video.begin() + static_cast<std::ptrdiff_t>(first * kSector),
                  video.begin() + static_cast<std::ptrdiff_t>((first + 8) * kSector));
      WriteAll(dir / (stem + "-" + std::to_string(count++) + ".ps"), seed);
    }
  }
}

// The palette of each program chain the disc's titles use, then the title set's subpicture
// units as the overlay's packets.
void WriteSubpictureSeed(const dvd::DvdReader& reader, const std::vector<Bytes>& videoFiles,
                         const std::filesystem::path& out) {
  Bytes units;
  for (const Bytes& video : videoFiles) {
    dvd::PsDemuxer demuxer([&](const dvd::ElementaryPacket& packet) {
      if (packet.kind != dvd::StreamKind::kSubpicture || packet.data.size() > 0xFFFF) return;
      units.push_back(packet.hasTime ? 1 : 0);
      PutBigEndian(units, packet.data.size(), 2);
      PutBigEndian(units, static_cast<std::uint64_t>(packet.time / 100'000) & 0xFFFF, 2);
      units.insert(units.end(), packet.data.begin(), packet.data.end());
    });
    for (std::size_t at = 0; at + kSector <= video.size(); at += kSector) {
      demuxer.PushSector(std::span<const std::uint8_t>(video.data() + at, kSector), 0);
    }
  }
  if (units.empty()) return;
  for (int title = 1, titles = dvd::CountTitles(reader); title <= titles; ++title) {
    const dvd::TitleCells cells = dvd::ReadTitleCells(reader, title, 1, dvd::CountChapters(reader, title));
    for (const auto& palette : cells.palettes) {
      Bytes seed;
      for (std::uint32_t entry : palette) PutBigEndian(seed, entry, 4);
      seed.insert(seed.end(), units.begin(), units.end());
      WriteAll(out.string() + "-" + std::to_string(title) + ".sp", seed);
    }
  }
}

}  // namespace

bool WriteDiscSeeds(const std::filesystem::path& disc, const std::filesystem::path& corpus, const std::string& stem) {
  const std::filesystem::path videoTs = disc / "VIDEO_TS";
  for (const char* target : {"fuzz_title_cells", "fuzz_ps_demuxer", "fuzz_subpicture"}) {
    std::filesystem::create_directories(corpus / target);
  }
  try {
    const dvd::DvdReader reader(dvd::ResolveDiscPath(disc.string()));
    WriteInformationSeed(videoTs, corpus / "fuzz_title_cells" / (stem + ".ifo"));
    std::vector<Bytes> videoFiles;
    for (int titleSet = 1; std::filesystem::exists(videoTs / ("VTS_0" + std::to_string(titleSet) + "_1.VOB"));
         ++titleSet) {
      videoFiles.push_back(ReadAll(videoTs / ("VTS_0" + std::to_string(titleSet) + "_1.VOB")));
    }
    WriteSectorSeeds(videoFiles, corpus / "fuzz_ps_demuxer", stem);
    WriteSubpictureSeed(reader, videoFiles, corpus / "fuzz_subpicture" / stem);
  } catch (const dvd::DvdError& error) {
    std::fprintf(stderr, "tarn_fuzz_seeds: %s: %s\n", disc.c_str(), error.what());
    return false;
  }
  return true;
}

}  // namespace tarn::fuzz
