#include "codec/encode_writer.h"

#include <algorithm>

#include "codec/frame_encoder.h"

namespace tarn::codec {
namespace {

constexpr std::size_t kMaxColours = kReferencePixels;  // every pixel its own colour

// The square table whose regions are the two halves of a level 1 or 3 region.
TableId SquaresInside(TableId half) { return half == k4x8LeftRight || half == k8x4TopBottom ? k4x4 : k2x2; }

void PutLittleEndian16(std::uint8_t* at, std::size_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

CodeWriter::CodeWriter() : bits_(kMaxCodeBits), colours_(kMaxColours * 3), vectors_(kMaxVectorBytes) {}

void CodeWriter::Clear() {
  bitCount_ = 0;
  colourCount_ = 0;
  vectorCount_ = 0;
}

void CodeWriter::WriteFrame(const FrameAnalysis& analysis) {
  for (int block = 0; block < kBlockCount; ++block) WriteSquare(analysis, k8x8, block, 0);
}

void CodeWriter::PutColour(const std::uint8_t* blueGreenRed) {
  std::copy_n(blueGreenRed, 3, &colours_[colourCount_ * 3]);
  ++colourCount_;
}

// keep 00, move 01 + vector, fill 111 + colour, move with offset 110 + vector + colour.
bool CodeWriter::WriteLeaf(const RegionTable& table, int block, int region) {
  const std::uint8_t* params = table.Params(block, region);
  switch (table.Decision(block, region)) {
    case kSplit:
      return false;
    case kMove:
      PutBit(0), PutBit(1);
      PutVector(params[0]);
      return true;
    case kFill:
      PutBit(1), PutBit(1), PutBit(1);
      PutColour(params);
      return true;
    case kMoveWithOffset:
      PutBit(1), PutBit(1), PutBit(0);
      PutVector(params[3]);
      PutColour(params);
      return true;
    default:  // keep; every node the walk reaches was analysed
      PutBit(0), PutBit(0);
      return true;
  }
}

// Levels 0, 2 and 4: a split names the orientation of its halves.
void CodeWriter::WriteSquare(const FrameAnalysis& analysis, TableId id, int block, int region) {
  if (WriteLeaf(analysis.Table(id), block, region)) return;
  const bool leftRight = analysis.UsesLeftRight(id, block, region);
  PutBit(1), PutBit(0), PutBit(leftRight ? 1 : 0);
  const TableId halvesId = static_cast<TableId>(id + (leftRight ? 1 : 2));
  const Halves halves = analysis.HalvesOf(id, region, halvesId);
  WriteHalf(analysis, halvesId, block, halves.first);
  WriteHalf(analysis, halvesId, block, halves.second);
}

// Levels 1, 3 and 5: a split gives the two squares inside the half; a wide half is cut into
// left and right, a tall one into top and bottom.
void CodeWriter::WriteHalf(const FrameAnalysis& analysis, TableId id, int block, int region) {
  const RegionTable& table = analysis.Table(id);
  if (table.paramBytes == 6) return WritePair(table, block, region);
  if (WriteLeaf(table, block, region)) return;
  const bool wide = table.width > table.height;
  PutBit(1), PutBit(0), PutBit(wide ? 1 : 0);
  const TableId squaresId = SquaresInside(id);
  const RegionTable& squares = analysis.Table(squaresId);
  const int x = table.LocalX(region), y = table.LocalY(region);
  const int side = squares.width;
  WriteSquare(analysis, squaresId, block, squares.RegionAt(x, y));
  WriteSquare(analysis, squaresId, block, wide ? squares.RegionAt(x + side, y) : squares.RegionAt(x, y + side));
}

// A pixel pair: keep 00, move 01, move with offset 10, fill 110, two colours 111.
void CodeWriter::WritePair(const RegionTable& table, int block, int region) {
  const std::uint8_t* params = table.Params(block, region);
  switch (table.Decision(block, region)) {
    case kMove:
      PutBit(0), PutBit(1);
      PutVector(params[0]);
      break;
    case kMoveWithOffset:
      PutBit(1), PutBit(0);
      PutVector(params[3]);
      PutColour(params);
      break;
    case kFill:
      PutBit(1), PutBit(1), PutBit(0);
      PutColour(params);
      break;
    case kSplit:
      PutBit(1), PutBit(1), PutBit(1);
      PutColour(params);
      PutColour(params + 3);
      break;
    default:  // keep
      PutBit(0), PutBit(0);
      break;
  }
}

std::size_t CodeWriter::Pack(std::uint8_t* payload) const {
  const std::size_t words = (bitCount_ + 31) / 32;
  const std::size_t codeBytes = words * 4;
  const std::size_t colourBytes = colourCount_ * 2;
  // A colour section over 65,535 bytes does not fit its 16-bit field; such a payload is also
  // longer than any record can carry, and the movie writer stores the all-keep frame instead.
  PutLittleEndian16(payload, codeBytes);
  PutLittleEndian16(payload + 2, colourBytes & 0xFFFF);
  std::uint8_t* out = payload + 4;
  for (std::size_t w = 0; w < words; ++w) {
    std::uint32_t word = 0;  // padding bits after the last code stay zero
    const std::size_t first = w * 32;
    const std::size_t last = std::min(first + 32, bitCount_);
    for (std::size_t i = first; i < last; ++i) word |= std::uint32_t{bits_[i]} << (31 - (i - first));
    for (int b = 0; b < 4; ++b) *out++ = static_cast<std::uint8_t>(word >> (8 * b));
  }
  for (std::size_t c = 0; c < colourCount_; ++c) {
    const std::uint8_t* bgr = &colours_[c * 3];
    PutLittleEndian16(out, PackColour(bgr[0], bgr[1], bgr[2]));
    out += 2;
  }
  std::copy_n(vectors_.begin(), vectorCount_, out);
  return 4 + codeBytes + colourBytes + vectorCount_;
}

}  // namespace tarn::codec
