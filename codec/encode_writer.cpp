#include "codec/encode_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codec/frame_encoder.h"

namespace tarn::codec {
namespace {

constexpr std::size_t kMaxColours = kReferencePixels;  // every pixel its own colour
// Room after each list's largest case for the entries written there that do not stay.
constexpr std::size_t kListRoom = 4;

// The code lists as they are written. Each walk of a square works on a local copy: the vectors
// are bytes, and a byte written through a pointer could be any object in memory, the lists'
// ends included, which would then be read again after every vector.
//
// Nothing here branches on the codes: the lists are written always and their ends advanced by
// what was really appended (so each list has a few entries of room past its largest case).
struct CodeSink {
  std::uint64_t bits;    // the code bits after the last whole word, the first in bit 63
  unsigned count;        // how many, below 32 between appends
  std::uint32_t* words;  // where the next whole word, colour and vector go
  std::uint16_t* colours;
  std::uint8_t* vectors;

  // Appends the low `length` bits of `code`, first bit highest; `length` is 1 to 32.
  void PutBits(std::uint32_t code, unsigned length) {
    count += length;
    bits |= std::uint64_t{code} << (64 - count);
    *words = static_cast<std::uint32_t>(bits >> 32);  // stays only once the word is whole
    const unsigned whole = count >> 5;
    words += whole;
    bits <<= whole * 32;
    count -= whole * 32;
  }
  // A pixel pair's two colours (parameter bytes 0-2 and 3-5), of which `taken` (0-2) stay.
  void PutPairColours(const std::uint8_t* params, unsigned taken) {
    std::uint32_t first, second;  // bytes 0-3 and 2-5
    std::memcpy(&first, params, 4);
    std::memcpy(&second, params + 2, 4);
    // Blue, green and red of both colours at bits 0, 8 and 16 of each half, each then shifted
    // to its five bits of the colour word.
    const std::uint64_t both = first | std::uint64_t{second >> 8} << 32;
    const std::uint64_t packed =
        ((both << 7) & 0x7C00'0000'7C00) | ((both >> 6) & 0x03E0'0000'03E0) | ((both >> 19) & 0x001F'0000'001F);
    const auto two = static_cast<std::uint32_t>(packed | packed >> 16);
    std::memcpy(colours, &two, 4);
    colours += taken;
  }
  void PutVector(std::uint8_t vector, unsigned taken) {
    *vectors = vector;
    vectors += taken;
  }
  void PutColour(const std::uint8_t* blueGreenRed) {
    *colours++ = PackColour(blueGreenRed[0], blueGreenRed[1], blueGreenRed[2]);
  }
  void PutVector(std::uint8_t vector) { *vectors++ = vector; }
};

// Where every table's decisions and parameters of the block being written start.
struct Tables {
  std::array<const std::uint8_t*, kTableCount> decisions;
  std::array<const std::uint8_t*, kTableCount> params;
};

// The block's entries of table kId, regions numbered in raster order over the block.
template <TableId kId>
class Entries {
 public:
  explicit Entries(const Tables& tables) : decisions_(tables.decisions[kId]), params_(tables.params[kId]) {}
  std::uint8_t Decision(int region) const { return decisions_[region]; }
  const std::uint8_t* Params(int region) const { return params_ + region * kTableShapes[kId].paramBytes; }

 private:
  const std::uint8_t* decisions_;
  const std::uint8_t* params_;
};

// The square table whose regions are the two halves of a level 1 or 3 region.
constexpr TableId SquaresInside(TableId half) { return half == k4x8LeftRight || half == k8x4TopBottom ? k4x4 : k2x2; }

// keep 00, move 01 + vector, fill 111 + colour, move with offset 110 + vector + colour, after
// the `prefixLength` bits of `prefix` (the code of the split it starts); false for a split,
// which writes nothing here.
[[gnu::always_inline]] inline bool WriteLeaf(CodeSink& codes, std::uint8_t decision, const std::uint8_t* params,
                                             std::uint32_t prefix = 0, unsigned prefixLength = 0) {
  switch (decision) {
    case kSplit:
      return false;
    case kMove:
      codes.PutBits(prefix << 2 | 0b01, prefixLength + 2);
      codes.PutVector(params[0]);
      return true;
    case kFill:
      codes.PutBits(prefix << 3 | 0b111, prefixLength + 3);
      codes.PutColour(params);
      return true;
    case kMoveWithOffset:
      codes.PutBits(prefix << 3 | 0b110, prefixLength + 3);
      codes.PutVector(params[3]);
      codes.PutColour(params);
      return true;
    default:  // keep; every node the walk reaches was analysed
      codes.PutBits(prefix << 2 | 0b00, prefixLength + 2);
      return true;
  }
}

// Every write below starts with the `prefixLength` bits of `prefix`, the codes of the splits
// above it not appended yet: a node's first code goes out with the splits it starts, in one
// append.
template <TableId kId>
void WriteSquare(const Tables& tables, int region, CodeSink& sink, std::uint32_t prefix, unsigned prefixLength);
void WriteTwoSquares(const Tables& tables, int first, int second, CodeSink& sink, std::uint32_t prefix,
                     unsigned prefixLength);

// Levels 1 and 3, inline in their square's walk: a split gives the two squares inside the
// half; a wide half is cut into left and right (101), a tall one into top and bottom (100).
template <TableId kId>
[[gnu::always_inline]] inline void WriteHalf(const Tables& tables, const Entries<kId>& halves, int region,
                                             CodeSink& codes, std::uint32_t prefix, unsigned prefixLength) {
  if (WriteLeaf(codes, halves.Decision(region), halves.Params(region), prefix, prefixLength)) return;
  constexpr TableShape kShape = kTableShapes[kId];
  constexpr bool kWide = kShape.width > kShape.height;
  const std::uint32_t cut = prefix << 3 | (kWide ? 0b101 : 0b100);
  constexpr TableId kSquares = SquaresInside(kId);
  constexpr int kSide = kTableShapes[kSquares].width;
  constexpr int kAcross = RegionsAcross(kId), kSquaresAcross = RegionsAcross(kSquares);
  // The half's top-left corner in square units, then the square there.
  const unsigned at = static_cast<unsigned>(region);
  const int x = static_cast<int>(at % kAcross) * kShape.width / kSide;
  const int y = static_cast<int>(at / kAcross) * kShape.height / kSide;
  const int first = y * kSquaresAcross + x;
  const int second = kWide ? first + 1 : first + kSquaresAcross;
  if constexpr (kSquares == k2x2) {
    WriteTwoSquares(tables, first, second, codes, cut, prefixLength + 3);
  } else {
    WriteSquare<kSquares>(tables, first, codes, cut, prefixLength + 3);
    WriteSquare<kSquares>(tables, second, codes, 0, 0);
  }
}

// Levels 0 and 2: a split names the orientation of its halves, left/right (101) unless both of
// those split, then top/bottom (100). Left/right halves lie in a table of twice the regions
// across, top/bottom halves in one of twice the rows.
template <TableId kId>
[[gnu::always_inline]] inline void WriteSquareTo(const Tables& tables, int region, CodeSink& codes,
                                                 std::uint32_t prefix, unsigned prefixLength) {
  const Entries<kId> squares(tables);
  if (WriteLeaf(codes, squares.Decision(region), squares.Params(region), prefix, prefixLength)) return;
  constexpr int kPerRow = RegionsAcross(kId);
  const unsigned at = static_cast<unsigned>(region);
  const int column = static_cast<int>(at % kPerRow), rowStart = static_cast<int>(at / kPerRow) * 2 * kPerRow;
  const Entries<LeftRightOf(kId)> leftRight(tables);
  const int left = rowStart + column * 2;
  if (leftRight.Decision(left) != kSplit || leftRight.Decision(left + 1) != kSplit) {
    WriteHalf(tables, leftRight, left, codes, prefix << 3 | 0b101, prefixLength + 3);
    WriteHalf(tables, leftRight, left + 1, codes, 0, 0);
  } else {
    const Entries<TopBottomOf(kId)> topBottom(tables);
    WriteHalf(tables, topBottom, rowStart + column, codes, prefix << 3 | 0b100, prefixLength + 3);
    WriteHalf(tables, topBottom, rowStart + column + kPerRow, codes, 0, 0);
  }
}

// Levels 0 and 2, one call each, handing the lists' ends on.
template <TableId kId>
void WriteSquare(const Tables& tables, int region, CodeSink& sink, std::uint32_t prefix, unsigned prefixLength) {
  WriteSquareTo<kId>(tables, region, sink, prefix, prefixLength);
}

// What a pixel pair's decision appends: its code, how many of its colours (parameter bytes 0-2,
// then 3-5) and whether its vector, and at which parameter byte. Decisions above
// kMoveWithOffset are written as keep, as the walk never reaches a node not analysed.
struct PairCode {
  std::uint8_t code;
  std::uint8_t length;
  std::uint8_t colours;
  std::uint8_t vectors;
  std::uint8_t vectorAt;
};
// keep 00, move 01, move with offset 10, fill 110, two colours 111 (the pair split)
constexpr std::array<PairCode, kMoveWithOffset + 2> kPairCodes = {{
    {0b111, 3, 2, 0, 0},  // split
    {0b00, 2, 0, 0, 0},   // keep
    {0b01, 2, 0, 1, 0},   // move
    {0b110, 3, 1, 0, 0},  // fill
    {0b10, 2, 1, 1, 3},   // move with offset
    {0b00, 2, 0, 0, 0},   // not analysed
}};
constexpr const PairCode& PairCodeOf(unsigned decision) {
  return kPairCodes[std::min<unsigned>(decision, kMoveWithOffset + 1)];
}

// `ifSet` where `mask` is all ones, `ifClear` where it is zero: with decisions that follow the
// picture, a mask costs less than the mispredicted branch the compiler might make of a choice.
inline unsigned Select(unsigned mask, unsigned ifSet, unsigned ifClear) { return ifClear ^ ((ifSet ^ ifClear) & mask); }
inline const std::uint8_t* Select(unsigned mask, const std::uint8_t* ifSet, const std::uint8_t* ifClear) {
  const auto set = reinterpret_cast<std::uintptr_t>(ifSet), clear = reinterpret_cast<std::uintptr_t>(ifClear);
  return reinterpret_cast<const std::uint8_t*>(clear ^ ((set ^ clear) & (std::uintptr_t{0} - (mask & 1))));
}

// The entries of the level 4 squares of a block and of their pixel pairs.
struct CellTables {
  const std::uint8_t* squares;
  const std::uint8_t* squareParams;
  const std::uint8_t* leftRight;
  const std::uint8_t* leftRightParams;
  const std::uint8_t* topBottom;
  const std::uint8_t* topBottomParams;
};

// A pixel pair's code, colours and vector, appended without a branch on its decision.
[[gnu::always_inline]] inline void WritePair(CodeSink& codes, const PairCode& pair, const std::uint8_t* params) {
  codes.PutPairColours(params, pair.colours);
  codes.PutVector(params[pair.vectorAt], pair.vectors);
}

// A level 4 square. A split one is written without a branch on its orientation or its pixel
// pairs' decisions: those follow the picture's finest detail and are the least predictable.
// The square's codes follow the `prefixLength` bits of `prefix`, in one append.
[[gnu::always_inline]] inline void WriteCell(const CellTables& cell, unsigned square, CodeSink& codes,
                                             std::uint32_t prefix, unsigned prefixLength) {
  if (WriteLeaf(codes, cell.squares[square], cell.squareParams + square * kTableShapes[k2x2].paramBytes, prefix,
                prefixLength))
    return;
  constexpr unsigned kPerRow = RegionsAcross(k2x2), kPairBytes = kTableShapes[k1x2LeftRight].paramBytes;
  // The left/right pairs lie in rows of twice the squares across, the top/bottom pairs in
  // twice the rows: the left pair is at the top pair's index plus the column.
  const unsigned column = square % kPerRow, top = square / kPerRow * 2 * kPerRow + column, left = top + column;
  // Both orientations' entries are read, so that choosing one is no branch.
  const std::uint8_t leftDecision = cell.leftRight[left], rightDecision = cell.leftRight[left + 1];
  const std::uint8_t topDecision = cell.topBottom[top], bottomDecision = cell.topBottom[top + kPerRow];
  const unsigned leftRight = 0u - static_cast<unsigned>(leftDecision != kSplit || rightDecision != kSplit);
  const PairCode& first = PairCodeOf(Select(leftRight, leftDecision, topDecision));
  const PairCode& second = PairCodeOf(Select(leftRight, rightDecision, bottomDecision));
  const std::uint32_t orientation = prefix << 3 | 0b100u | (leftRight & 1);
  codes.PutBits((((orientation << first.length) | first.code) << second.length) | second.code,
                prefixLength + 3u + first.length + second.length);
  const std::uint8_t* leftPair = cell.leftRightParams + left * kPairBytes;
  const std::uint8_t* topPair = cell.topBottomParams + top * kPairBytes;
  const std::uint8_t* firstPair = Select(leftRight, leftPair, topPair);
  const std::uint8_t* secondPair = Select(leftRight, leftPair + kPairBytes, topPair + kPerRow * kPairBytes);
  WritePair(codes, first, firstPair);
  WritePair(codes, second, secondPair);
}

// The two level 4 squares of a split level 3 half, in one call that calls nothing: its copies
// of the lists' ends and of the tables' starts stay in registers.
void WriteTwoSquares(const Tables& tables, int first, int second, CodeSink& sink, std::uint32_t prefix,
                     unsigned prefixLength) {
  const CellTables cell{tables.decisions[k2x2],          tables.params[k2x2],
                        tables.decisions[k1x2LeftRight], tables.params[k1x2LeftRight],
                        tables.decisions[k2x1TopBottom], tables.params[k2x1TopBottom]};
  CodeSink codes = sink;
  WriteCell(cell, static_cast<unsigned>(first), codes, prefix, prefixLength);
  WriteCell(cell, static_cast<unsigned>(second), codes, 0, 0);
  sink = codes;
}

void PutLittleEndian16(std::uint8_t* at, std::size_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

CodeWriter::CodeWriter()
    : words_(kMaxCodeBytes / 4 + kListRoom), colours_(kMaxColours + kListRoom), vectors_(kMaxVectorBytes + kListRoom) {}

void CodeWriter::Clear() {
  bits_ = 0;
  bitCount_ = 0;
  wordCount_ = 0;
  colourCount_ = 0;
  vectorCount_ = 0;
}

void CodeWriter::WriteFrame(const FrameAnalysis& analysis) {
  CodeSink codes{bits_, bitCount_, words_.data() + wordCount_, colours_.data() + colourCount_,
                 vectors_.data() + vectorCount_};
  Tables tables{};
  for (int id = 0; id < kTableCount; ++id) {
    tables.decisions[id] = analysis.Table(static_cast<TableId>(id)).decisions.data();
    tables.params[id] = analysis.Table(static_cast<TableId>(id)).params.data();
  }
  for (int block = 0; block < kBlockCount; ++block) {
    WriteSquare<k8x8>(tables, 0, codes, 0, 0);
    for (int id = 0; id < kTableCount; ++id) {  // on to the next block's entries
      tables.decisions[id] += RegionsPerBlock(static_cast<TableId>(id));
      tables.params[id] += RegionsPerBlock(static_cast<TableId>(id)) * kTableShapes[id].paramBytes;
    }
  }
  bits_ = codes.bits;
  bitCount_ = codes.count;
  wordCount_ = static_cast<std::size_t>(codes.words - words_.data());
  colourCount_ = static_cast<std::size_t>(codes.colours - colours_.data());
  vectorCount_ = static_cast<std::size_t>(codes.vectors - vectors_.data());
}

std::size_t CodeWriter::Pack(std::uint8_t* payload) const {
  const std::size_t words = wordCount_ + (bitCount_ > 0 ? 1 : 0);
  const std::size_t codeBytes = words * 4;
  const std::size_t colourBytes = colourCount_ * 2;
  // A colour section over 65,535 bytes does not fit its 16-bit field; such a payload is also
  // longer than any record can carry, and the movie writer stores the all-keep frame instead.
  PutLittleEndian16(payload, codeBytes);
  PutLittleEndian16(payload + 2, colourBytes & 0xFFFF);
  std::uint8_t* out = payload + 4;
  // Words, colours and the host are little-endian: the arrays are the payload's bytes.
  std::memcpy(out, words_.data(), wordCount_ * 4);
  out += wordCount_ * 4;
  if (bitCount_ > 0) {  // the last word's padding bits after the last code are zero
    const auto last = static_cast<std::uint32_t>(bits_ >> 32);
    std::memcpy(out, &last, 4);
    out += 4;
  }
  std::memcpy(out, colours_.data(), colourBytes);
  out += colourBytes;
  std::copy_n(vectors_.begin(), vectorCount_, out);
  return 4 + codeBytes + colourBytes + vectorCount_;
}

}  // namespace tarn::codec
