#include "formats/appendix_tables.h"

#include <array>

namespace tarn::movie {
namespace {

constexpr std::uint16_t ScrambleWord(std::size_t k) {
  return static_cast<std::uint16_t>(kAppendixScrambleKey + k * 0x9E37u);
}

using ScrambledTable = std::array<std::uint16_t, kAppendixTableWords>;

// Runs the documented generator at compile time and stores its words scrambled.
constexpr ScrambledTable MakeScrambledTable(std::uint32_t seed) {
  ScrambledTable table{};
  std::uint32_t x = seed;
  for (std::size_t k = 0; k < kAppendixTableWords; ++k) {
    x = x * 1664525u + 1013904223u;
    const auto plain = static_cast<std::uint16_t>(x >> 16);
    table[k] = static_cast<std::uint16_t>(plain ^ ScrambleWord(k));
  }
  return table;
}

constexpr ScrambledTable kScrambledTableA = MakeScrambledTable(kAppendixTableASeed);
constexpr ScrambledTable kScrambledTableB = MakeScrambledTable(kAppendixTableBSeed);

}  // namespace

std::uint16_t AppendixTableWord(AppendixTable table, std::size_t block, std::size_t word) {
  const std::size_t k = block * kAppendixWords + word;
  const ScrambledTable& scrambled = table == AppendixTable::kB ? kScrambledTableB : kScrambledTableA;
  return static_cast<std::uint16_t>(scrambled[k] ^ ScrambleWord(k));
}

}  // namespace tarn::movie
