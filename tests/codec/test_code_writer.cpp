// The record writer over decision tables set by hand, read back with the plain reader of
// coded_frame.h: node kinds the encoder never chooses (move with offset), entries the walk
// must not read as its own, both orientations at every level, and the largest lists.
#include "codec/encode_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "codec/frame_encoder.h"
#include "tests/codec/coded_frame.h"

namespace tarn::codec {
namespace {

using testing::CodedNode;
using testing::NodeKind;

constexpr bool IsSquare(TableId id) { return id == k8x8 || id == k4x4 || id == k2x2; }
constexpr bool IsPair(TableId id) { return id == k1x2LeftRight || id == k2x1TopBottom; }

// The analysis's tables, written here as the analysis would write them.
RegionTable& Writable(FrameAnalysis& analysis, TableId id) { return const_cast<RegionTable&>(analysis.Table(id)); }

// A node as the reader lists it.
CodedNode NodeOf(const RegionTable& table, TableId id, int block, int region) {
  CodedNode node{block,
                 block % kBlocksAcross * kBlockSize + table.LocalX(region),
                 block / kBlocksAcross * kBlockSize + table.LocalY(region),
                 table.width,
                 table.height,
                 NodeKind::kKeep};
  const std::uint8_t* p = table.Params(block, region);
  const auto colour = [](const std::uint8_t* bgr) { return PackColour(bgr[0], bgr[1], bgr[2]); };
  switch (table.Decision(block, region)) {
    case kSplit:
      node.kind = IsPair(id) ? NodeKind::kTwoColours : NodeKind::kSplit;
      if (IsPair(id)) node.colours[0] = colour(p), node.colours[1] = colour(p + 3);
      break;
    case kMove:
      node.kind = NodeKind::kMove, node.vector = p[0];
      break;
    case kFill:
      node.kind = NodeKind::kFill, node.colours[0] = colour(p);
      break;
    case kMoveWithOffset:
      node.kind = NodeKind::kMoveWithOffset, node.vector = p[3], node.colours[0] = colour(p);
      break;
    default:
      break;
  }
  return node;
}

// The tree the decisions describe, depth first: squares split into the halves of their
// orientation, halves into the two squares inside.
void ExpectedTree(const FrameAnalysis& analysis, TableId id, int block, int region, std::vector<CodedNode>& out) {
  const RegionTable& table = analysis.Table(id);
  CodedNode node = NodeOf(table, id, block, region);
  if (node.kind != NodeKind::kSplit) return out.push_back(node);
  if (IsSquare(id)) {
    const bool leftRight = analysis.UsesLeftRight(id, block, region);
    const TableId halvesId = leftRight ? LeftRightOf(id) : TopBottomOf(id);
    const Halves halves = analysis.HalvesOf(id, region, halvesId);
    node.direction = leftRight ? 1 : 0;
    out.push_back(node);
    ExpectedTree(analysis, halvesId, block, halves.first, out);
    ExpectedTree(analysis, halvesId, block, halves.second, out);
    return;
  }
  const bool wide = table.width > table.height;
  const TableId squaresId = static_cast<TableId>(id == k4x8LeftRight || id == k8x4TopBottom ? k4x4 : k2x2);
  const RegionTable& squares = analysis.Table(squaresId);
  const int x = table.LocalX(region), y = table.LocalY(region);
  node.direction = wide ? 1 : 0;
  out.push_back(node);
  ExpectedTree(analysis, squaresId, block, squares.RegionAt(x, y), out);
  ExpectedTree(analysis, squaresId, block,
               wide ? squares.RegionAt(x + squares.width, y) : squares.RegionAt(x, y + squares.height), out);
}

// Fills every entry of every table, the ones the walk never reaches included.
template <class DecisionFn>
void SetTables(FrameAnalysis& analysis, std::mt19937& random, DecisionFn decide) {
  for (int id = 0; id < kTableCount; ++id) {
    RegionTable& table = Writable(analysis, static_cast<TableId>(id));
    for (std::uint8_t& d : table.decisions) d = static_cast<std::uint8_t>(decide(static_cast<TableId>(id)));
    for (std::uint8_t& p : table.params) p = static_cast<std::uint8_t>(random());
  }
}

void ExpectWrittenAsDecided(CodeWriter& writer, const FrameAnalysis& analysis) {
  writer.Clear();
  writer.WriteFrame(analysis);
  std::vector<std::uint8_t> payload(kMaxPayloadBytes);
  const std::size_t length = writer.Pack(payload.data());
  const testing::CodedFrame frame = testing::ReadCodedFrame(payload.data(), length);
  ASSERT_EQ(frame.error, "");
  EXPECT_EQ(frame.colourBytes, frame.coloursRead * 2);
  EXPECT_EQ(frame.colourField, frame.colourBytes & 0xFFFF);
  EXPECT_LT(frame.codeBytes * 8 - frame.bitsRead, 32u);
  EXPECT_TRUE(frame.paddingZero);
  std::vector<CodedNode> expected;
  for (int block = 0; block < kBlockCount; ++block) ExpectedTree(analysis, k8x8, block, 0, expected);
  ASSERT_EQ(frame.nodes.size(), expected.size());
  for (std::size_t n = 0; n < expected.size(); ++n) {
    const CodedNode& e = expected[n];
    const CodedNode& got = frame.nodes[n];
    ASSERT_TRUE(got.block == e.block && got.x == e.x && got.y == e.y && got.width == e.width &&
                got.height == e.height && got.kind == e.kind && got.direction == e.direction &&
                got.vector == e.vector && got.colours[0] == e.colours[0] && got.colours[1] == e.colours[1])
        << "node " << n << " of block " << e.block << " at " << e.x << "," << e.y << " (" << e.width << "x" << e.height
        << ")";
  }
}

TEST(CodeWriter, WritesEveryNodeKindAndOrientationAsDecided) {
  auto analysis = std::make_unique<FrameAnalysis>(false);
  CodeWriter writer;
  std::mt19937 random(7);
  // Every decision the format has, and entries the analysis left unmarked.
  const std::uint8_t kinds[] = {kSplit, kKeep, kMove, kFill, kMoveWithOffset, kNotAnalysed};
  for (const int splitPercent : {20, 55, 90}) {
    SetTables(*analysis, random, [&](TableId) {
      return random() % 100 < static_cast<unsigned>(splitPercent) ? kinds[0] : kinds[1 + random() % 5];
    });
    ExpectWrittenAsDecided(writer, *analysis);
  }
}

// Every block split down to pixel pairs: each pixel its own colour, or each pair a vector and
// a colour. The lists at their largest, one writer used for both.
TEST(CodeWriter, WritesTheLargestLists) {
  auto analysis = std::make_unique<FrameAnalysis>(false);
  CodeWriter writer;
  std::mt19937 random(11);
  for (const Decision pairs : {kSplit, kMoveWithOffset}) {
    SetTables(*analysis, random, [&](TableId id) { return IsPair(id) ? pairs : Decision{kSplit}; });
    ExpectWrittenAsDecided(writer, *analysis);
  }
}

}  // namespace
}  // namespace tarn::codec
