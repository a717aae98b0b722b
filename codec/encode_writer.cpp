#include "codec/encode_writer.h"

#include <algorithm>
#include <cstring>

#include "codec/frame_encoder.h"

namespace tarn::codec {
namespace {

constexpr std::size_t kMaxColours = kReferencePixels;  // every pixel its own colour

// The square table whose regions are the two halves of a level 1 or 3 region.
constexpr TableId SquaresInside(TableId half) { return half == k4x8LeftRight || half == k8x4TopBottom ? k4x4 : k2x2; }

// Where region `region` of table `id` starts in `block`'s entries.
constexpr std::size_t EntryOf(TableId id, int block, int region) {
  return static_cast<std::size_t>(block) * RegionsPerBlock(id) + static_cast<std::size_t>(region);
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
  for (int block = 0; block < kBlockCount; ++block) WriteSquare<k8x8>(analysis, block, 0);
}

// keep 00, move 01 + vector, fill 111 + colour, move with offset 110 + vector + colour.
// Inline in every node's walk, as is the pixel pair's: they run for every node of the frame.
[[gnu::always_inline]] inline bool CodeWriter::WriteLeaf(std::uint8_t decision, const std::uint8_t* params) {
  switch (decision) {
    case kSplit:
      return false;
    case kMove:
      PutBits(0b01, 2);
      PutVector(params[0]);
      return true;
    case kFill:
      PutBits(0b111, 3);
      PutColour(params);
      return true;
    case kMoveWithOffset:
      PutBits(0b110, 3);
      PutVector(params[3]);
      PutColour(params);
      return true;
    default:  // keep; every node the walk reaches was analysed
      PutBits(0b00, 2);
      return true;
  }
}

// Levels 0, 2 and 4: a split names the orientation of its halves.
template <TableId kId>
void CodeWriter::WriteSquare(const FrameAnalysis& analysis, int block, int region) {
  const RegionTable& table = analysis.Table(kId);
  const std::size_t entry = EntryOf(kId, block, region);
  if (WriteLeaf(table.decisions[entry], &table.params[entry * kTableShapes[kId].paramBytes])) return;
  if (analysis.UsesLeftRight(kId, block, region)) {
    PutBits(0b101, 3);
    const Halves halves = analysis.HalvesOf(kId, region, LeftRightOf(kId));
    WriteHalf<LeftRightOf(kId)>(analysis, block, halves.first);
    WriteHalf<LeftRightOf(kId)>(analysis, block, halves.second);
  } else {
    PutBits(0b100, 3);
    const Halves halves = analysis.HalvesOf(kId, region, TopBottomOf(kId));
    WriteHalf<TopBottomOf(kId)>(analysis, block, halves.first);
    WriteHalf<TopBottomOf(kId)>(analysis, block, halves.second);
  }
}

// Levels 1, 3 and 5: a split gives the two squares inside the half; a wide half is cut into
// left and right, a tall one into top and bottom.
template <TableId kId>
void CodeWriter::WriteHalf(const FrameAnalysis& analysis, int block, int region) {
  constexpr TableShape kShape = kTableShapes[kId];
  const RegionTable& table = analysis.Table(kId);
  const std::size_t entry = EntryOf(kId, block, region);
  const std::uint8_t* params = &table.params[entry * kShape.paramBytes];
  if constexpr (kShape.paramBytes == 6) {
    WritePair(table.decisions[entry], params);
  } else {
    if (WriteLeaf(table.decisions[entry], params)) return;
    constexpr bool kWide = kShape.width > kShape.height;
    PutBits(kWide ? 0b101 : 0b100, 3);
    constexpr TableId kSquares = SquaresInside(kId);
    constexpr int kSide = kTableShapes[kSquares].width;
    constexpr int kAcross = RegionsAcross(kId), kSquaresAcross = RegionsAcross(kSquares);
    // The half's top-left corner in square units, then the square there.
    const int x = (region % kAcross) * kShape.width / kSide, y = (region / kAcross) * kShape.height / kSide;
    const int first = y * kSquaresAcross + x;
    WriteSquare<kSquares>(analysis, block, first);
    WriteSquare<kSquares>(analysis, block, kWide ? first + 1 : first + kSquaresAcross);
  }
}

// A pixel pair: keep 00, move 01, move with offset 10, fill 110, two colours 111.
[[gnu::always_inline]] inline void CodeWriter::WritePair(std::uint8_t decision, const std::uint8_t* params) {
  switch (decision) {
    case kMove:
      PutBits(0b01, 2);
      PutVector(params[0]);
      break;
    case kMoveWithOffset:
      PutBits(0b10, 2);
      PutVector(params[3]);
      PutColour(params);
      break;
    case kFill:
      PutBits(0b110, 3);
      PutColour(params);
      break;
    case kSplit:
      PutBits(0b111, 3);
      PutColour(params);
      PutColour(params + 3);
      break;
    default:  // keep
      PutBits(0b00, 2);
      break;
  }
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
