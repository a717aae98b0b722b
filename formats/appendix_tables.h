// The two constant tables whose blocks ride in the appendix of records 25-32 and 35-42.
//
// Contents (our own choice; the handheld does not interpret them): table A, word k
// (k = 0 .. 16383, block k / 2048, word k % 2048 of that block) is bits 16-31 of the k-th
// value of the 32-bit generator x = x * 1664525 + 1013904223 started from x = 0x54726E41
// ("TrnA" read as a big-endian number) and advanced once before the first word; table B is
// the same with the start 0x54726E42 ("TrnB").
//
// The program holds the tables scrambled: stored word k = table word k XOR
// (kAppendixScrambleKey + k * 0x9E37) mod 2^16, so the plain words never lie in the binary.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/record_format.h"

namespace tarn::movie {

inline constexpr std::size_t kAppendixTableWords = kAppendixWords * kAppendixBlocksPerTable;  // 16384
inline constexpr std::uint32_t kAppendixTableASeed = 0x54726E41;
inline constexpr std::uint32_t kAppendixTableBSeed = 0x54726E42;
inline constexpr std::uint16_t kAppendixScrambleKey = 0xC35A;

// Word `word` (0-2047) of block `block` (0-7) of `table`, descrambled.
std::uint16_t AppendixTableWord(AppendixTable table, std::size_t block, std::size_t word);

}  // namespace tarn::movie
