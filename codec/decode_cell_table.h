// A 2x2 cell's whole subtree in one look-up.
//
// Below 2x2 the tree holds at most three nodes (the cell, or its split and two pixel pairs),
// and their codes at most nine bits. The look-up by those nine bits tells for each of the four
// pixels where it comes from, so that a cell is decoded without a branch on its codes: the
// codes of the smallest nodes follow the picture's detail and are the least predictable.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace tarn::codec::decode {

inline constexpr unsigned kCellCodeBits = 9;
inline constexpr unsigned kCellPixels = 4;  // top-left, top-right, bottom-left, bottom-right
inline constexpr unsigned kMostCellVectors = 2;
inline constexpr unsigned kMostCellColours = 4;

// Each pixel is the reference at its own place or displaced by the cell's first or second
// vector, masked to zero when the pixel is a colour alone, plus one of the cell's colours (the
// offset, the fill or its own colour) unless it takes none. The masks are spelled out so that
// the decode of a cell is a few operations a pixel.
struct alignas(32) CellEntry {
  std::uint8_t length = 0;  // code bits of the subtree, 2 to 9
  std::uint8_t vectors = 0;
  std::uint8_t colours = 0;
  std::uint8_t unused = 0;
  std::array<std::uint8_t, kCellPixels> colourShift{};     // 16 x the index of the pixel's colour
  std::array<std::uint16_t, kCellPixels> fromReference{};  // 0xFFFF or 0
  std::array<std::uint16_t, kCellPixels> addsColour{};     // 0xFFFF or 0
  std::array<std::int8_t, kCellPixels> byFirstVector{};    // -1 or 0
  std::array<std::int8_t, kCellPixels> bySecondVector{};   // -1 or 0
};

namespace cell_table {

// The nine bits as a stream, the first in bit 8.
struct Bits {
  unsigned value;
  unsigned read = 0;
  constexpr unsigned Next() { return (value >> (kCellCodeBits - 1 - read++)) & 1; }
};

enum class Leaf { kKeep, kMove, kOffset, kFill };

constexpr void Colour(CellEntry& entry, unsigned pixel, unsigned colour) {
  entry.colourShift[pixel] = static_cast<std::uint8_t>(16 * colour);
  entry.addsColour[pixel] = 0xFFFF;
}

// One leaf over the given pixels: keep, move, offset or fill.
constexpr void ApplyLeaf(CellEntry& entry, Leaf leaf, std::initializer_list<unsigned> pixels) {
  const unsigned vector = leaf == Leaf::kMove || leaf == Leaf::kOffset ? ++entry.vectors : 0;
  const bool coloured = leaf == Leaf::kOffset || leaf == Leaf::kFill;
  const unsigned colour = coloured ? entry.colours++ : 0;
  for (unsigned pixel : pixels) {
    entry.byFirstVector[pixel] = vector == 1 ? -1 : 0;
    entry.bySecondVector[pixel] = vector == 2 ? -1 : 0;
    if (leaf != Leaf::kFill) entry.fromReference[pixel] = 0xFFFF;
    if (coloured) Colour(entry, pixel, colour);
  }
}

// A pixel pair: 00 keep, 01 move, 10 offset, 110 fill, 111 a colour for each pixel.
constexpr void Pair(CellEntry& entry, Bits& bits, unsigned first, unsigned second) {
  if (bits.Next() == 0) return ApplyLeaf(entry, bits.Next() == 0 ? Leaf::kKeep : Leaf::kMove, {first, second});
  if (bits.Next() == 0) return ApplyLeaf(entry, Leaf::kOffset, {first, second});
  if (bits.Next() == 0) return ApplyLeaf(entry, Leaf::kFill, {first, second});
  Colour(entry, first, entry.colours++);
  Colour(entry, second, entry.colours++);
}

// The cell: 00 keep, 01 move, 100 top and bottom pairs, 101 left and right pairs, 110 offset,
// 111 fill.
constexpr CellEntry Cell(unsigned value) {
  CellEntry entry;
  Bits bits{value};
  if (bits.Next() == 0) {
    ApplyLeaf(entry, bits.Next() == 0 ? Leaf::kKeep : Leaf::kMove, {0, 1, 2, 3});
  } else if (bits.Next() == 0) {
    if (bits.Next() == 0) {
      Pair(entry, bits, 0, 1);
      Pair(entry, bits, 2, 3);
    } else {
      Pair(entry, bits, 0, 2);
      Pair(entry, bits, 1, 3);
    }
  } else {
    ApplyLeaf(entry, bits.Next() == 0 ? Leaf::kOffset : Leaf::kFill, {0, 1, 2, 3});
  }
  entry.length = static_cast<std::uint8_t>(bits.read);
  return entry;
}

constexpr std::array<CellEntry, 1u << kCellCodeBits> MakeTable() {
  std::array<CellEntry, 1u << kCellCodeBits> table{};
  for (unsigned value = 0; value < table.size(); ++value) table[value] = Cell(value);
  return table;
}

}  // namespace cell_table

inline constexpr std::array<CellEntry, 1u << kCellCodeBits> kCellTable = cell_table::MakeTable();

}  // namespace tarn::codec::decode
