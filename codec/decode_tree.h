// The walk over one block's split tree: one routine per region shape, each reading its own
// codes and calling its shape's straight-line region operations; below 2x2, one look-up per
// cell (codec/decode_cell_table.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/decode_cell_table.h"
#include "codec/decode_region_ops.h"
#include "codec/decode_sections.h"
#include "codec/screen.h"

namespace tarn::codec::decode {

template <int W, int H>
inline constexpr CodeSet kCodeSetOf = W* H == 2            ? CodeSet::kPair
                                      : (W == 1 || H == 1) ? CodeSet::kSplitAlongLine
                                                           : CodeSet::kSplitWithDirection;

// How far each vector displaces its region on the linear picture: vector n moves by
// (n >> 4) - 8 rows and (n & 15) - 8 pixels. Looked up: a cell reads two at once.
inline constexpr std::array<std::int32_t, 256> kVectorShifts = [] {
  std::array<std::int32_t, 256> shifts{};
  for (int n = 0; n < 256; ++n) shifts[n] = static_cast<std::int32_t>(((n >> 4) - 8) * kRowPixels + ((n & 15) - 8));
  return shifts;
}();

// Where a cell's pixels lie from its top-left one.
inline constexpr std::array<std::ptrdiff_t, kCellPixels> kCellPixelAt = {0, 1, kRowPixels, kRowPixels + 1};

class TreeDecoder {
 public:
  TreeDecoder(CodeBitReader bits, ColourCursor colours, VectorCursor vectors, const std::uint16_t* reference,
              std::uint16_t* target)
      : bits_(bits), colours_(colours), vectors_(vectors), reference_(reference), target_(target) {}

  // Decodes the 8x8 block whose top-left pixel is `at` (pixel offset). False: damaged.
  bool Block(std::ptrdiff_t at) { return Node<8, 8>(at); }

 private:
  template <int W, int H>
  bool Node(std::ptrdiff_t at) {
    return NodeBody<W, H>(at);
  }

  // A child node: 2x2 cells are looked up whole; pixel pairs and strips of four are decoded
  // in their parent's body rather than by a call of their own.
  template <int W, int H>
  [[gnu::always_inline]] bool Child(std::ptrdiff_t at) {
    if constexpr (W == 2 && H == 2) {
      return Cell(at);
    } else if constexpr (W * H <= 4) {
      return NodeBody<W, H>(at);
    } else {
      return Node<W, H>(at);
    }
  }

  // A 2x2 cell and its pairs from one look-up of their codes. Near the end of the colour or
  // vector section, where the look-up's reads ahead would leave it, node by node instead.
  [[gnu::noinline]] bool Cell(std::ptrdiff_t at) {
    if (!colours_.Holds(kMostCellColours) || !vectors_.Holds(kMostCellVectors)) return NodeBody<2, 2>(at);
    // Past the code section the look-up sees zeros: a cell whose codes need them is damaged,
    // as it is node by node.
    const CellEntry& entry = kCellTable[bits_.Peek<kCellCodeBits>()];
    if (!bits_.Skip(entry.length)) return false;
    const std::uint64_t colours = colours_.PeekFour();  // the first in the low 16 bits
    const auto vectors = vectors_.Peek<kMostCellVectors>();
    const std::ptrdiff_t firstShift = Shift(vectors[0]);
    const std::ptrdiff_t secondShift = Shift(vectors[1]);
    std::array<std::ptrdiff_t, kCellPixels> sources;
    bool outside = false;
    Unrolled<kCellPixels>([&](auto i) {
      sources[i] =
          at + kCellPixelAt[i] + (firstShift & entry.byFirstVector[i]) + (secondShift & entry.bySecondVector[i]);
      outside |= static_cast<std::size_t>(sources[i]) >= kReferencePixels;
    });
    // A pixel whose source leaves the picture: so does its node's region.
    if (outside) return false;
    Unrolled<kCellPixels>([&](auto i) {
      const auto colour = static_cast<unsigned>(colours >> entry.colourShift[i]);
      target_[at + kCellPixelAt[i]] = static_cast<std::uint16_t>((reference_[sources[i]] & entry.fromReference[i]) +
                                                                 (colour & entry.addsColour[i]));
    });
    colours_.Skip(entry.colours);
    vectors_.Skip(entry.vectors);
    return true;
  }

  // How far a vector displaces its region on the linear picture.
  static std::ptrdiff_t Shift(std::uint8_t vector) { return kVectorShifts[vector]; }

  template <int W, int H>
  [[gnu::always_inline]] bool NodeBody(std::ptrdiff_t at) {
    using Ops = RegionOps<W, H>;
    constexpr CodeSet kSet = kCodeSetOf<W, H>;
    NodeCode code;
    if (!bits_.ReadCode<kSet>(code)) return false;
    // Conditional branches rather than one jump through a table: the codes of a shape are
    // far from even (most nodes above 2x2 split, most below move), and the processor predicts
    // each yes-or-no decision better than the jump's several targets.
    if (code == NodeCode::kSplitLeftRight || code == NodeCode::kSplitTopBottom || code == NodeCode::kSplitLine) {
      if constexpr (kSet == CodeSet::kSplitWithDirection) {
        return code == NodeCode::kSplitLeftRight ? LeftRight<W, H>(at) : TopBottom<W, H>(at);
      } else if constexpr (kSet == CodeSet::kSplitAlongLine) {
        if constexpr (H == 1)
          return LeftRight<W, H>(at);
        else
          return TopBottom<W, H>(at);
      }
      return false;
    }
    if (code == NodeCode::kMove) {
      const std::uint16_t* source;
      if (!Displaced<W, H>(at, source)) return false;
      Ops::Copy(target_ + at, source);
      return true;
    }
    if (code == NodeCode::kKeep) {
      Ops::Copy(target_ + at, reference_ + at);
      return true;
    }
    if (code == NodeCode::kFill) {
      std::uint16_t colour;
      if (!colours_.Take(colour)) return false;
      Ops::Fill(target_ + at, colour);
      return true;
    }
    if (code == NodeCode::kMoveOffset) {
      const std::uint16_t* source;
      std::uint16_t offset;
      if (!Displaced<W, H>(at, source) || !colours_.Take(offset)) return false;
      Ops::CopyAdd(target_ + at, source, offset);
      return true;
    }
    if constexpr (kSet == CodeSet::kPair) return TwoColours<W, H>(at);
    return false;
  }

  template <int W, int H>
  bool LeftRight(std::ptrdiff_t at) {
    return Child<W / 2, H>(at) && Child<W / 2, H>(at + W / 2);
  }

  template <int W, int H>
  bool TopBottom(std::ptrdiff_t at) {
    return Child<W, H / 2>(at) && Child<W, H / 2>(at + H / 2 * kRowPixels);
  }

  // A pixel pair: the first colour goes to the left or top pixel.
  template <int W, int H>
  bool TwoColours(std::ptrdiff_t at) {
    constexpr std::ptrdiff_t kSecond = W == 2 ? 1 : kRowPixels;
    std::uint16_t first;
    std::uint16_t second;
    if (!colours_.Take(first) || !colours_.Take(second)) return false;
    target_[at] = first;
    target_[at + kSecond] = second;
    return true;
  }

  // Takes the next vector and points `source` at the displaced region in the reference.
  // Vector n moves by (n >> 4) - 8 rows and (n & 15) - 8 pixels on the linear picture, so a
  // source may run round a row end; a source that leaves the picture is damage.
  template <int W, int H>
  bool Displaced(std::ptrdiff_t at, const std::uint16_t*& source) {
    constexpr std::ptrdiff_t kLastPixel = (H - 1) * kRowPixels + (W - 1);
    std::uint8_t vector;
    if (!vectors_.Take(vector)) return false;
    const std::ptrdiff_t first = at + Shift(vector);
    if (first < 0 || first + kLastPixel >= static_cast<std::ptrdiff_t>(kReferencePixels)) return false;
    source = reference_ + first;
    return true;
  }

  CodeBitReader bits_;
  ColourCursor colours_;
  VectorCursor vectors_;
  const std::uint16_t* reference_;
  std::uint16_t* target_;
};

}  // namespace tarn::codec::decode
