#include "codec/encode_writer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "codec/frame_encoder.h"

namespace tarn::codec {
namespace {

constexpr std::size_t kMaxColours = kReferencePixels;  // every pixel its own colour

// The code lists as they are written. Each walk of a square works on a local copy: the vectors
// are bytes, and a byte written through a pointer could be any object in memory, the lists'
// ends included, which would then be read again after every vector.
struct CodeSink {
  std::uint64_t pending;  // the code bits after the last whole word, in the low bits
  int pendingCount;
  std::uint32_t* words;  // where the next whole word, colour and vector go
  std::uint16_t* colours;
  std::uint8_t* vectors;

  // Appends the low `count` bits of `code`, first bit highest.
  void PutBits(std::uint32_t code, int count) {
    pending = (pending << count) | code;
    pendingCount += count;
    if (pendingCount >= 32) {
      pendingCount -= 32;
      *words++ = static_cast<std::uint32_t>(pending >> pendingCount);
    }
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

// keep 00, move 01 + vector, fill 111 + colour, move with offset 110 + vector + colour; false
// for a split, which writes nothing here.
[[gnu::always_inline]] inline bool WriteLeaf(CodeSink& codes, std::uint8_t decision, const std::uint8_t* params) {
  switch (decision) {
    case kSplit:
      return false;
    case kMove:
      codes.PutBits(0b01, 2);
      codes.PutVector(params[0]);
      return true;
    case kFill:
      codes.PutBits(0b111, 3);
      codes.PutColour(params);
      return true;
    case kMoveWithOffset:
      codes.PutBits(0b110, 3);
      codes.PutVector(params[3]);
      codes.PutColour(params);
      return true;
    default:  // keep; every node the walk reaches was analysed
      codes.PutBits(0b00, 2);
      return true;
  }
}

// A pixel pair: keep 00, move 01, move with offset 10, fill 110, two colours 111.
[[gnu::always_inline]] inline void WritePair(CodeSink& codes, std::uint8_t decision, const std::uint8_t* params) {
  switch (decision) {
    case kMove:
      codes.PutBits(0b01, 2);
      codes.PutVector(params[0]);
      break;
    case kMoveWithOffset:
      codes.PutBits(0b10, 2);
      codes.PutVector(params[3]);
      codes.PutColour(params);
      break;
    case kFill:
      codes.PutBits(0b110, 3);
      codes.PutColour(params);
      break;
    case kSplit:
      codes.PutBits(0b111, 3);
      codes.PutColour(params);
      codes.PutColour(params + 3);
      break;
    default:  // keep
      codes.PutBits(0b00, 2);
      break;
  }
}

template <TableId kId>
void WriteSquare(const Tables& tables, int region, CodeSink& sink);
void WriteTwoSquares(const Tables& tables, int first, int second, CodeSink& sink);

// Levels 1, 3 and 5, inline in their square's walk: a split gives the two squares inside the
// half; a wide half is cut into left and right, a tall one into top and bottom.
template <TableId kId>
[[gnu::always_inline]] inline void WriteHalf(const Tables& tables, const Entries<kId>& halves, int region,
                                             CodeSink& codes) {
  constexpr TableShape kShape = kTableShapes[kId];
  if constexpr (kShape.paramBytes == 6) {
    WritePair(codes, halves.Decision(region), halves.Params(region));
  } else {
    if (WriteLeaf(codes, halves.Decision(region), halves.Params(region))) return;
    constexpr bool kWide = kShape.width > kShape.height;
    codes.PutBits(kWide ? 0b101 : 0b100, 3);
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
      WriteTwoSquares(tables, first, second, codes);
    } else {
      WriteSquare<kSquares>(tables, first, codes);
      WriteSquare<kSquares>(tables, second, codes);
    }
  }
}

// Levels 0, 2 and 4: a split names the orientation of its halves, left/right unless both of
// those split. Left/right halves lie in a table of twice the regions across, top/bottom halves
// in one of twice the rows.
template <TableId kId>
[[gnu::always_inline]] inline void WriteSquareTo(const Tables& tables, int region, CodeSink& codes) {
  const Entries<kId> squares(tables);
  if (WriteLeaf(codes, squares.Decision(region), squares.Params(region))) return;
  constexpr int kPerRow = RegionsAcross(kId);
  const unsigned at = static_cast<unsigned>(region);
  const int column = static_cast<int>(at % kPerRow), rowStart = static_cast<int>(at / kPerRow) * 2 * kPerRow;
  const Entries<LeftRightOf(kId)> leftRight(tables);
  const int left = rowStart + column * 2;
  if (leftRight.Decision(left) != kSplit || leftRight.Decision(left + 1) != kSplit) {
    codes.PutBits(0b101, 3);
    WriteHalf(tables, leftRight, left, codes);
    WriteHalf(tables, leftRight, left + 1, codes);
  } else {
    codes.PutBits(0b100, 3);
    const Entries<TopBottomOf(kId)> topBottom(tables);
    WriteHalf(tables, topBottom, rowStart + column, codes);
    WriteHalf(tables, topBottom, rowStart + column + kPerRow, codes);
  }
}

// Levels 0 and 2, one call each, handing the lists' ends on.
template <TableId kId>
void WriteSquare(const Tables& tables, int region, CodeSink& sink) {
  WriteSquareTo<kId>(tables, region, sink);
}

// The two level 4 squares of a split level 3 half, in one call that calls nothing: its copy of
// the lists' ends stays in registers.
void WriteTwoSquares(const Tables& tables, int first, int second, CodeSink& sink) {
  CodeSink codes = sink;
  WriteSquareTo<k2x2>(tables, first, codes);
  WriteSquareTo<k2x2>(tables, second, codes);
  sink = codes;
}

void PutLittleEndian16(std::uint8_t* at, std::size_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

CodeWriter::CodeWriter() : words_(kMaxCodeBytes / 4), colours_(kMaxColours), vectors_(kMaxVectorBytes) {}

void CodeWriter::Clear() {
  pending_ = 0;
  pendingCount_ = 0;
  wordCount_ = 0;
  colourCount_ = 0;
  vectorCount_ = 0;
}

void CodeWriter::WriteFrame(const FrameAnalysis& analysis) {
  CodeSink codes{pending_, pendingCount_, words_.data() + wordCount_, colours_.data() + colourCount_,
                 vectors_.data() + vectorCount_};
  Tables tables{};
  for (int id = 0; id < kTableCount; ++id) {
    tables.decisions[id] = analysis.Table(static_cast<TableId>(id)).decisions.data();
    tables.params[id] = analysis.Table(static_cast<TableId>(id)).params.data();
  }
  for (int block = 0; block < kBlockCount; ++block) {
    WriteSquare<k8x8>(tables, 0, codes);
    for (int id = 0; id < kTableCount; ++id) {  // on to the next block's entries
      tables.decisions[id] += RegionsPerBlock(static_cast<TableId>(id));
      tables.params[id] += RegionsPerBlock(static_cast<TableId>(id)) * kTableShapes[id].paramBytes;
    }
  }
  pending_ = codes.pending;
  pendingCount_ = codes.pendingCount;
  wordCount_ = static_cast<std::size_t>(codes.words - words_.data());
  colourCount_ = static_cast<std::size_t>(codes.colours - colours_.data());
  vectorCount_ = static_cast<std::size_t>(codes.vectors - vectors_.data());
}

std::size_t CodeWriter::Pack(std::uint8_t* payload) const {
  const std::size_t words = wordCount_ + (pendingCount_ > 0 ? 1 : 0);
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
  if (pendingCount_ > 0) {  // the last word's padding bits after the last code stay zero
    const auto last = static_cast<std::uint32_t>(pending_ << (32 - pendingCount_));
    std::memcpy(out, &last, 4);
    out += 4;
  }
  std::memcpy(out, colours_.data(), colourBytes);
  out += colourBytes;
  std::copy_n(vectors_.begin(), vectorCount_, out);
  return 4 + codeBytes + colourBytes + vectorCount_;
}

}  // namespace tarn::codec
