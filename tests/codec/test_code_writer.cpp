// The record writer over decision tables set by hand, read back with the plain reader of
// coded_frame.h: node kinds the encoder never chooses (move with offset), entries the walk
// must not read as its own, both orientations at every level, and the largest lists.
#include "codec/encode_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "codec/frame_encoder.h"
#include "tests/codec/coded_frame.h"

namespace tarn::codec {
namespace {

using testing::CodedNode;
using testing::NodeKind;

bool IsPair(TableId id) { return id == k1x2LeftRight || id == k2x1TopBottom; }

auto Fields(const CodedNode& n) {
  return std::tuple(n.block, n.x, n.y, n.width, n.height, n.kind, n.direction, n.vector, n.colours[0], n.colours[1]);
}

// The tree the decisions describe, depth first as the reader lists it: squares split into the
// halves of their orientation, halves into the two squares inside.
void ExpectedTree(const FrameAnalysis& analysis, TableId id, int block, int region, std::vector<CodedNode>& out) {
  const RegionTable& table = analysis.Table(id);
  const int x = table.LocalX(region), y = table.LocalY(region);
  CodedNode node{block,
                 block % kBlocksAcross * kBlockSize + x,
                 block / kBlocksAcross * kBlockSize + y,
                 table.width,
                 table.height,
                 NodeKind::kKeep};
  const std::uint8_t* p = table.Params(block, region);
  const std::uint8_t decision = table.Decision(block, region);
  if (decision == kMove || decision == kMoveWithOffset) node.vector = p[decision == kMove ? 0 : 3];
  if (decision == kFill || decision == kMoveWithOffset || (decision == kSplit && IsPair(id)))
    node.colours[0] = PackColour(p[0], p[1], p[2]);
  if (decision == kSplit && IsPair(id)) node.colours[1] = PackColour(p[3], p[4], p[5]);
  node.kind = decision == kMove             ? NodeKind::kMove
              : decision == kFill           ? NodeKind::kFill
              : decision == kMoveWithOffset ? NodeKind::kMoveWithOffset
              : decision != kSplit          ? NodeKind::kKeep
              : IsPair(id)                  ? NodeKind::kTwoColours
                                            : NodeKind::kSplit;
  if (node.kind != NodeKind::kSplit) return out.push_back(node);
  const bool square = table.width == table.height;
  node.direction = square ? analysis.UsesLeftRight(id, block, region) : table.width > table.height;
  out.push_back(node);
  if (square) {
    const TableId halves = node.direction ? LeftRightOf(id) : TopBottomOf(id);
    const Halves h = analysis.HalvesOf(id, region, halves);
    ExpectedTree(analysis, halves, block, h.first, out);
    return ExpectedTree(analysis, halves, block, h.second, out);
  }
  const TableId inside = id < k4x4 ? k4x4 : k2x2;
  const RegionTable& squares = analysis.Table(inside);
  ExpectedTree(analysis, inside, block, squares.RegionAt(x, y), out);
  ExpectedTree(analysis, inside, block,
               node.direction ? squares.RegionAt(x + squares.width, y) : squares.RegionAt(x, y + squares.height), out);
}

// Sets every entry of every table (the ones the walk never reaches included), then writes.
template <class DecisionFn>
void ExpectWrittenAsDecided(CodeWriter& writer, FrameAnalysis& analysis, std::mt19937& random, DecisionFn decide) {
  for (int id = 0; id < kTableCount; ++id) {
    auto& table = const_cast<RegionTable&>(analysis.Table(static_cast<TableId>(id)));  // as the analysis would
    for (std::uint8_t& d : table.decisions) d = static_cast<std::uint8_t>(decide(static_cast<TableId>(id)));
    for (std::uint8_t& p : table.params) p = static_cast<std::uint8_t>(random());
  }
  writer.Clear();
  writer.WriteFrame(analysis);
  std::vector<std::uint8_t> payload(kMaxPayloadBytes);
  const testing::CodedFrame frame = testing::ReadCodedFrame(payload.data(), writer.Pack(payload.data()));
  ASSERT_EQ(frame.error, "");
  EXPECT_EQ(frame.colourField, frame.colourBytes & 0xFFFF);
  EXPECT_LT(frame.codeBytes * 8 - frame.bitsRead, 32u);
  EXPECT_TRUE(frame.paddingZero);
  std::vector<CodedNode> expected;
  for (int block = 0; block < kBlockCount; ++block) ExpectedTree(analysis, k8x8, block, 0, expected);
  ASSERT_EQ(frame.nodes.size(), expected.size());
  for (std::size_t n = 0; n < expected.size(); ++n)
    ASSERT_EQ(Fields(frame.nodes[n]), Fields(expected[n])) << "node " << n;
}

TEST(CodeWriter, WritesEveryNodeKindAndOrientationAsDecided) {
  auto analysis = std::make_unique<FrameAnalysis>(false);
  CodeWriter writer;
  std::mt19937 random(7);
  const std::uint8_t kinds[] = {kKeep, kMove, kFill, kMoveWithOffset, kNotAnalysed};
  for (const unsigned splitPercent : {20u, 55u, 90u})
    ExpectWrittenAsDecided(writer, *analysis, random, [&](TableId) {
      return random() % 100 < splitPercent ? std::uint8_t{kSplit} : kinds[random() % 5];
    });
}

// Every block split down to pixel pairs: each pixel its own colour, or each pair a vector and
// a colour. The lists at their largest, one writer used for both.
TEST(CodeWriter, WritesTheLargestLists) {
  auto analysis = std::make_unique<FrameAnalysis>(false);
  CodeWriter writer;
  std::mt19937 random(11);
  for (const Decision pairs : {kSplit, kMoveWithOffset})
    ExpectWrittenAsDecided(writer, *analysis, random, [&](TableId id) { return IsPair(id) ? pairs : kSplit; });
}

}  // namespace
}  // namespace tarn::codec
