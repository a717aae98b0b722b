// Arbitrary bytes as a movie file: header check, record walk and the player loop with the
// frame decoder. Traps when the reader breaks its own promises about offsets and lengths.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "formats/movie_player.h"
#include "formats/movie_reader.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarn::movie;
  MemorySource source(std::span<const std::uint8_t>(data, size));
  MovieReader reader(source);
  // A fresh player each run, built where the last one was: its pictures are too big to be
  // allocated (and page-faulted in) anew on every run.
  static std::optional<MoviePlayer> player;
  player.emplace();
  std::uint64_t expectedOffset = kHeaderBytes;
  std::uint64_t expectedIndex = 0;
  ReadStatus status;
  while ((status = reader.Next()) == ReadStatus::kRecord) {
    const RecordInfo& record = reader.Record();
    const auto bytes = reader.RecordBytes();
    Require(record.offset == expectedOffset && record.index == expectedIndex);
    Require(bytes.size() == kLengthWordBytes + record.bodyBytes);
    Require(record.offset + bytes.size() <= size);
    Require(record.payloadBytes <= record.bodyBytes);
    if (record.payloadProblem.empty() && !record.reservedType) {
      Require(4 + record.codeBytes + record.colourBytes + record.vectorBytes == record.payloadBytes);
    }
    player->Play(record, bytes);
    expectedOffset += bytes.size();
    ++expectedIndex;
  }
  if (status == ReadStatus::kEnd && size >= kHeaderBytes) Require(expectedOffset == size);
  Require(player->RecordsPlayed() == expectedIndex);
  return 0;
}
