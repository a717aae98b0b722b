// EncodeFrame on pictures built so that the right decisions can be worked out by hand; the
// payloads are read back with the plain reader of coded_frame.h.
#include "codec/frame_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

#include "bench/bench_content.h"
#include "codec/prep_cpu.h"
#include "tests/codec/coded_frame.h"
#include "tests/codec/encoder_test_pictures.h"

namespace tarn::codec {
namespace {

using testing::Bgr;
using testing::CodedFrame;
using testing::CodedNode;
using testing::NodeKind;
using testing::Picture;
using testing::RandomReferenceCopy;
using testing::ReadCodedFrame;
using testing::RidgedReference;

struct Encoded {
  std::vector<std::uint8_t> payload;
  EncodeReport report;
  CodedFrame coded;
};

Encoded Encode(FrameEncoder& encoder, const Picture& prepared, const Picture& reference,
               EncoderSettings settings = {}) {
  Encoded out;
  out.payload.resize(kMaxPayloadBytes);
  const std::size_t length = encoder.EncodeFrame(prepared.data(), reference.data(), out.payload.data(), settings);
  out.payload.resize(length);
  out.report = encoder.LastReport();
  out.coded = ReadCodedFrame(out.payload.data(), length);
  return out;
}

const CodedNode& BlockRoot(const CodedFrame& coded, int block) {
  const CodedNode* node = coded.Find(block, 0, 0, 8, 8);
  EXPECT_NE(node, nullptr) << "block " << block;
  static const CodedNode kMissing{};
  return node ? *node : kMissing;
}

// The bookkeeping every payload must satisfy.
void ExpectWellFormed(const Encoded& e) {
  const CodedFrame& c = e.coded;
  ASSERT_EQ(c.error, "");
  EXPECT_EQ(c.codeBytes, (c.bitsRead + 31) / 32 * 4);
  EXPECT_EQ(c.colourBytes, c.coloursRead * 2);
  EXPECT_EQ(c.colourField, c.colourBytes & 0xFFFF);
  EXPECT_EQ(c.vectorBytes, c.vectorsRead);
  EXPECT_EQ(e.payload.size(), 4 + c.codeBytes + c.colourBytes + c.vectorBytes);
  EXPECT_TRUE(c.paddingZero);
  EXPECT_LE(c.codeBytes, kMaxCodeBytes);
  EXPECT_LE(c.colourBytes, kMaxColourBytes);
  EXPECT_LE(c.vectorBytes, kMaxVectorBytes);
  for (const CodedNode& node : c.nodes) {
    if (node.kind != NodeKind::kMove) continue;
    // The displaced region lies inside the picture and ends before its last byte's end.
    const int start = node.y * kScreenWidth + node.x + ((node.vector >> 4) - 8) * kScreenWidth + (node.vector & 15) - 8;
    const int end = start + (node.height - 1) * kScreenWidth + node.width;
    EXPECT_GE(start, 0) << "move at " << node.x << "," << node.y;
    EXPECT_LT(end, static_cast<int>(kReferencePixels)) << "move at " << node.x << "," << node.y;
  }
}

TEST(AllKeepPayload, HoldsSixHundredKeepCodes) {
  std::vector<std::uint8_t> payload(kMaxPayloadBytes, 0xEE);
  ASSERT_EQ(WriteAllKeepPayload(payload.data()), kAllKeepPayloadBytes);
  const CodedFrame coded = ReadCodedFrame(payload.data(), kAllKeepPayloadBytes);
  ASSERT_EQ(coded.error, "");
  EXPECT_EQ(coded.codeBytes, 152u);
  EXPECT_EQ(coded.colourBytes, 0u);
  EXPECT_EQ(coded.vectorBytes, 0u);
  EXPECT_EQ(coded.nodes.size(), 600u);
  EXPECT_TRUE(std::all_of(coded.nodes.begin(), coded.nodes.end(),
                          [](const CodedNode& n) { return n.kind == NodeKind::kKeep && n.width == 8; }));
  EXPECT_TRUE(coded.paddingZero);
  EXPECT_EQ(payload[kAllKeepPayloadBytes], 0xEE) << "wrote past the payload";
}

TEST(EncodeFrame, PictureEqualToItsReferenceCodesAsAllKeep) {
  std::vector<std::uint8_t> allKeep(kAllKeepPayloadBytes);
  WriteAllKeepPayload(allKeep.data());
  FrameEncoder encoder;
  const Picture black;
  EXPECT_EQ(Encode(encoder, black, black).payload, allKeep) << "black first frame";
  const Picture picture = RandomReferenceCopy(7);
  for (int mode : {0, 3, 9}) {
    const Encoded e = Encode(encoder, picture, picture, {mode, 240, 160});
    EXPECT_EQ(e.payload, allKeep) << "mode " << mode;
    EXPECT_EQ(e.report.codings, 1);
  }
}

TEST(EncodeFrame, FlatBlocksCodeAsFillsWithTheirColour) {
  Picture picture;
  std::mt19937 random(11);
  std::vector<Bgr> colours;
  for (int block = 0; block < kBlockCount; ++block) {
    const Bgr c{std::uint8_t(64 + random() % 192), std::uint8_t(64 + random() % 192),
                std::uint8_t(64 + random() % 192)};
    colours.push_back(c);
    picture.FillBlock(block, c);
  }
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, picture, Picture{});
  ExpectWellFormed(e);
  ASSERT_EQ(e.coded.nodes.size(), 600u);
  for (int block = 0; block < kBlockCount; ++block) {
    const CodedNode& node = BlockRoot(e.coded, block);
    EXPECT_EQ(node.kind, NodeKind::kFill) << "block " << block;
    EXPECT_EQ(node.colours[0], PackColour(colours[block][0], colours[block][1], colours[block][2]));
  }
  // 1800 code bits in 57 words, 600 colour words, no vectors.
  EXPECT_EQ(e.coded.codeBytes, 228u);
  EXPECT_EQ(e.coded.colourBytes, 1200u);
  EXPECT_EQ(e.payload.size(), 1432u);
}

TEST(EncodeFrame, FillColourIsTheIntegerPartOfTheChannelMeans) {
  // Blue alternates 103 and 104 (mean 103.5): truncated it packs to 12, rounded it would be 13.
  Picture picture;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) picture.Set(x, y, {std::uint8_t((x + y) % 2 ? 104 : 103), 200, 120});
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, picture, Picture{});
  ExpectWellFormed(e);
  const CodedNode& node = BlockRoot(e.coded, 0);
  ASSERT_EQ(node.kind, NodeKind::kFill);
  EXPECT_EQ(node.colours[0], PackColour(103, 200, 120));
}

TEST(EncodeFrame, ShiftedPictureCodesMovesWithTheShiftsVector) {
  const Picture reference = RidgedReference();
  for (const auto& [dx, dy] : {std::pair{3, -2}, std::pair{-5, 4}, std::pair{1, 1}}) {
    // prepared(x, y) = reference(x + dx, y + dy): the source lies dy rows and dx pixels away.
    Picture prepared;
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x) {
        const int sx = std::clamp(x + dx, 0, kScreenWidth - 1), sy = std::clamp(y + dy, 0, kScreenHeight - 1);
        std::copy_n(reference.Pixel(sx, sy), 3, prepared.Pixel(x, y));
      }
    FrameEncoder encoder;
    const Encoded e = Encode(encoder, prepared, reference);
    ExpectWellFormed(e);
    const int expected = ((dy + 8) << 4) | (dx + 8);
    for (int block = 0; block < kBlockCount; ++block) {
      const int bx = Picture::BlockX(block), by = Picture::BlockY(block);
      if (bx < 8 || by < 8 || bx >= kScreenWidth - 16 || by >= kScreenHeight - 16) continue;
      const CodedNode& node = BlockRoot(e.coded, block);
      EXPECT_EQ(node.kind, NodeKind::kMove) << "block " << block << " shift " << dx << "," << dy;
      EXPECT_EQ(node.vector, expected) << "block " << block << " shift " << dx << "," << dy;
    }
  }
}

// Fill border: block row < 3 or > 15, column < 7 or > 24. Move border: row < 4 or > 15,
// column < 6 or > 25.
bool FillBorder(int block) {
  const int row = block / 30, column = block % 30;
  return row < 3 || row > 15 || column < 7 || column > 24;
}
bool MoveBorder(int block) {
  const int row = block / 30, column = block % 30;
  return row < 4 || row > 15 || column < 6 || column > 25;
}

TEST(EncodeFrame, FillThresholdFollowsModeFactorAndFillBorder) {
  // Every block: the left half 100, the right half raised by (blue, green): a variance sum of
  // 16 for (8, 0) and 22.25 for (8, 5). Level 0 fills when int(factor * fill) reaches it.
  struct Pattern {
    int blue, green;
    double variance;
  };
  struct Case {
    int mode;
    double inner, outer;
    int fill;
  };
  const Case cases[] = {{0, 0.75, 0.95, 20}, {3, 1.05, 1.25, 24}, {4, 0.55, 0.75, 20},
                        {5, 0.65, 0.85, 20}, {1, 0.85, 1.05, 20}, {8, 0.85, 1.18, 20}};
  FrameEncoder encoder;
  for (const Pattern& p : {Pattern{8, 0, 16.0}, Pattern{8, 5, 22.25}}) {
    Picture picture;
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x) {
        const int raise = x % 8 < 4 ? 0 : 1;
        picture.Set(x, y, {std::uint8_t(100 + raise * p.blue), std::uint8_t(90 + raise * p.green), 150});
      }
    for (const Case& c : cases) {
      const Encoded e = Encode(encoder, picture, Picture{}, {c.mode, 240, 160});
      ExpectWellFormed(e);
      for (int block = 0; block < kBlockCount; ++block) {
        const double factor = FillBorder(block) ? c.outer : c.inner;
        const bool fills = static_cast<int>(factor * c.fill) >= p.variance;
        const CodedNode& node = BlockRoot(e.coded, block);
        ASSERT_EQ(node.kind, fills ? NodeKind::kFill : NodeKind::kSplit)
            << "mode " << c.mode << " variance " << p.variance << " block " << block;
        if (!fills) {
          EXPECT_EQ(node.direction, 1) << "the flat left/right halves are used";
        }
      }
    }
  }
}

TEST(EncodeFrame, MoveThresholdFollowsMoveBorderAndTheLiteralPictureEnd) {
  // Prepared = reference + 7 in every byte: vector 136 costs 1344, above 0.75 * 64 * 24 = 1152
  // and within 0.95 * 64 * 24 = 1459.2. Random texture keeps every other vector far off.
  const Picture reference = RandomReferenceCopy(3);
  Picture prepared = reference;
  for (auto& byte : prepared.bytes()) byte = static_cast<std::uint8_t>(byte + 7);
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, prepared, reference);
  ExpectWellFormed(e);
  for (int block = 0; block < kBlockCount; ++block) {
    const CodedNode& node = BlockRoot(e.coded, block);
    // The last block's region ends exactly at the end of the picture: never moved.
    const bool moves = MoveBorder(block) && block != kBlockCount - 1;
    EXPECT_EQ(node.kind, moves ? NodeKind::kMove : NodeKind::kSplit) << "block " << block;
    if (moves) {
      EXPECT_EQ(node.vector, 136);
    }
  }
}

TEST(EncodeFrame, MoveSearchStartsFromTheNeighboursVector) {
  // Grey everywhere; the reference holds a random patch two pixels left of an inner block's
  // left half, which the prepared picture shows (slightly off) in that half: its vector is 134.
  // The right half is flat and a little lighter: every vector near it costs the same, so the
  // search keeps its starting point, the left neighbour's vector, not the zero vector.
  const int block = 7 * 30 + 12;
  const int x0 = Picture::BlockX(block), y0 = Picture::BlockY(block);
  Picture reference, prepared;
  std::fill(reference.bytes().begin(), reference.bytes().end(), std::uint8_t{128});
  std::fill(prepared.bytes().begin(), prepared.bytes().end(), std::uint8_t{128});
  std::mt19937 random(21);
  for (int y = y0; y < y0 + 8; ++y)
    for (int x = x0 - 2; x < x0 + 2; ++x)
      for (int c = 0; c < 3; ++c) reference.Pixel(x, y)[c] = static_cast<std::uint8_t>(random() % 31 * 8);
  for (int y = y0; y < y0 + 8; ++y)
    for (int x = x0; x < x0 + 8; ++x)
      for (int c = 0; c < 3; ++c) {
        // Left half: the patch plus 6 or 7 (a cost of 624); right half: 6 above the grey (576).
        // Together 1200, over the whole block's 1152; each half within its own 672.
        prepared.Pixel(x, y)[c] = x < x0 + 4
                                      ? static_cast<std::uint8_t>(reference.Pixel(x - 2, y)[c] + 6 + (x + y + c) % 2)
                                      : std::uint8_t{134};
      }
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, prepared, reference);
  ExpectWellFormed(e);
  const CodedNode& root = BlockRoot(e.coded, block);
  ASSERT_EQ(root.kind, NodeKind::kSplit);
  EXPECT_EQ(root.direction, 1);
  const CodedNode* left = e.coded.Find(block, 0, 0, 4, 8);
  const CodedNode* right = e.coded.Find(block, 4, 0, 4, 8);
  ASSERT_TRUE(left && right);
  EXPECT_EQ(left->kind, NodeKind::kMove);
  EXPECT_EQ(left->vector, 134);
  EXPECT_EQ(right->kind, NodeKind::kMove);
  EXPECT_EQ(right->vector, 134);
}

TEST(EncodeFrame, PixelPairsTakeTopBottomOnlyWhenBothColumnsSplit) {
  // A 2x2 square of four colours in an inner block, black elsewhere.
  const int block = 6 * 30 + 15;
  const int x = Picture::BlockX(block) + 2, y = Picture::BlockY(block) + 2;
  const Bgr a{250, 10, 10}, b{10, 250, 10}, c{10, 10, 250}, d{250, 250, 250};
  FrameEncoder encoder;
  {
    Picture picture;
    picture.Set(x, y, a), picture.Set(x + 1, y, b), picture.Set(x, y + 1, c), picture.Set(x + 1, y + 1, d);
    const Encoded e = Encode(encoder, picture, Picture{});
    ExpectWellFormed(e);
    const CodedNode* square = e.coded.Find(block, 2, 2, 2, 2);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->kind, NodeKind::kSplit);
    EXPECT_EQ(square->direction, 0);
    const CodedNode* top = e.coded.Find(block, 2, 2, 2, 1);
    const CodedNode* bottom = e.coded.Find(block, 2, 3, 2, 1);
    ASSERT_TRUE(top && bottom);
    EXPECT_EQ(top->kind, NodeKind::kTwoColours);
    EXPECT_EQ(top->colours[0], PackColour(a[0], a[1], a[2]));
    EXPECT_EQ(top->colours[1], PackColour(b[0], b[1], b[2]));
    EXPECT_EQ(bottom->colours[0], PackColour(c[0], c[1], c[2]));
    EXPECT_EQ(bottom->colours[1], PackColour(d[0], d[1], d[2]));
  }
  {
    // The left column is one colour: it fills, so the left/right pairs are kept.
    Picture picture;
    picture.Set(x, y, a), picture.Set(x + 1, y, b), picture.Set(x, y + 1, a), picture.Set(x + 1, y + 1, d);
    const Encoded e = Encode(encoder, picture, Picture{});
    ExpectWellFormed(e);
    const CodedNode* square = e.coded.Find(block, 2, 2, 2, 2);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->direction, 1);
    const CodedNode* left = e.coded.Find(block, 2, 2, 1, 2);
    const CodedNode* right = e.coded.Find(block, 3, 2, 1, 2);
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->kind, NodeKind::kFill);
    EXPECT_EQ(left->colours[0], PackColour(a[0], a[1], a[2]));
    EXPECT_EQ(right->kind, NodeKind::kTwoColours);
    EXPECT_EQ(right->colours[0], PackColour(b[0], b[1], b[2]));
    EXPECT_EQ(right->colours[1], PackColour(d[0], d[1], d[2]));
  }
}

// A probe: the top-left 4x4 of an inner block, two 2x4 columns far apart in colour, each
// column's own variance sum set by `blueStep` and `greenStep` (half its pixels raised by them).
void PaintProbe(Picture& picture, int block, int blueStep, int greenStep) {
  const int x0 = Picture::BlockX(block), y0 = Picture::BlockY(block);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const int base = x < 2 ? 100 : 200;
      const bool raised = y >= 2;
      picture.Set(x0 + x, y0 + y,
                  {std::uint8_t(base + (raised ? blueStep : 0)), std::uint8_t(base + (raised ? greenStep : 0)),
                   std::uint8_t(base)});
    }
}

// Inner blocks used for probes, away from both borders.
int ProbeBlock(int i) { return (5 + i / 10) * 30 + 8 + (i % 10) * 1; }

TEST(EncodeFrame, LevelThreeThresholdsFollowTheSplitCounts) {
  // Columns of variance sum 22.25 (blue 8, green 5) fill at level 3 fill threshold 32 or 36
  // (inner factor 0.75: 24 or 27) but not at 28 (21); columns of 25 (blue 10) only at 36.
  // When both columns split, the probe's square is cut into rows (direction 0).
  const auto probeDirection = [](const Encoded& e, int block) {
    const CodedNode* node = e.coded.Find(block, 0, 0, 4, 4);
    return node ? node->direction : -2;
  };
  const auto columnsFill = [](const Encoded& e, int block) {
    const CodedNode* left = e.coded.Find(block, 0, 0, 2, 4);
    const CodedNode* right = e.coded.Find(block, 2, 0, 2, 4);
    return left && right && left->kind == NodeKind::kFill && right->kind == NodeKind::kFill;
  };
  constexpr int kCalmProbes = 6, kAllProbes = 9;
  FrameEncoder encoder;
  Picture calm;
  for (int i = 0; i < kCalmProbes; ++i) PaintProbe(calm, ProbeBlock(i), 8, 5);
  {
    const Encoded e = Encode(encoder, calm, Picture{}, {0, 240, 160});  // area measure 800
    ExpectWellFormed(e);
    EXPECT_EQ(e.report.level2Splits, kCalmProbes);
    EXPECT_EQ(e.coded.CountSplits(4, 4), kCalmProbes);
    EXPECT_EQ(e.report.level3Splits, -1);
    for (int i = 0; i < kCalmProbes; ++i) EXPECT_EQ(probeDirection(e, ProbeBlock(i)), 0);
  }
  {
    const Encoded e = Encode(encoder, calm, Picture{}, {0, 8, 8});  // area measure 0
    ExpectWellFormed(e);
    EXPECT_EQ(e.report.level2Splits, kCalmProbes);
    EXPECT_EQ(e.report.level3Splits, 0);
    EXPECT_FALSE(e.report.level3Rerun);
    for (int i = 0; i < kCalmProbes; ++i) EXPECT_TRUE(columnsFill(e, ProbeBlock(i)));
  }
  Picture busy = calm;
  for (int i = kCalmProbes; i < kAllProbes; ++i) PaintProbe(busy, ProbeBlock(i), 10, 0);
  {
    // 24 x 16 covers 1 % of the screen: area measure 8, below the 9 level-2 splits. At level 3
    // with fill threshold 32 the three busy probes split both columns and both rows: 6 splits,
    // within the measure, so level 3 is not analysed again.
    const Encoded e = Encode(encoder, busy, Picture{}, {0, 24, 16});
    ExpectWellFormed(e);
    EXPECT_EQ(e.report.level2Splits, kAllProbes);
    EXPECT_EQ(e.report.level3Splits, 6);
    EXPECT_FALSE(e.report.level3Rerun);
    for (int i = 0; i < kCalmProbes; ++i) EXPECT_TRUE(columnsFill(e, ProbeBlock(i))) << i;
    for (int i = kCalmProbes; i < kAllProbes; ++i) EXPECT_EQ(probeDirection(e, ProbeBlock(i)), 0) << i;
  }
  {
    const Encoded e = Encode(encoder, busy, Picture{}, {0, 8, 8});
    ExpectWellFormed(e);
    EXPECT_EQ(e.report.level3Splits, 6);
    EXPECT_TRUE(e.report.level3Rerun);
    for (int i = 0; i < kAllProbes; ++i) EXPECT_TRUE(columnsFill(e, ProbeBlock(i))) << i;
  }
}

// Level 3 of a busy frame is analysed in one of two ways, picked by how the last busy frame went
// (its raised thresholds kept or not). A grainy pan, whose count with raised thresholds is 285,
// codes the same either way with the area measure just below that and just above it.
TEST(EncodeFrame, BusyLevelThreeCodesTheSameWhateverTheFrameBefore) {
  const bench::PreparedSequence pan(bench::Content::kMoving, 5);
  Picture reference, grainy;
  std::copy_n(pan.Frame(0), kRgbPictureBytes, reference.bytes().begin());
  std::copy_n(pan.Frame(4), kRgbPictureBytes, grainy.bytes().begin());
  std::mt19937 random(7);
  for (auto& byte : grainy.bytes())
    byte = static_cast<std::uint8_t>(std::clamp<int>(byte + static_cast<int>(random() % 33) - 16, 0, 255));
  const EncoderSettings over{0, 240, 56};    // area measure 280
  const EncoderSettings within{0, 240, 58};  // 288
  for (const bool helper : {false, true}) {
    FrameEncoder first(helper), second(helper);
    const Encoded overFirst = Encode(first, grainy, reference, over);
    const Encoded withinFirst = Encode(second, grainy, reference, within);
    EXPECT_GT(overFirst.report.level3Splits, 280);
    EXPECT_TRUE(overFirst.report.level3Rerun);
    EXPECT_EQ(withinFirst.report.level3Splits, 285);
    EXPECT_FALSE(withinFirst.report.level3Rerun);
    EXPECT_TRUE(overFirst.payload != withinFirst.payload);
    FrameEncoder afterKept(helper);  // after a frame whose raised thresholds were kept
    EXPECT_TRUE(Encode(afterKept, grainy, reference, within).payload == withinFirst.payload) << helper;
    EXPECT_TRUE(Encode(afterKept, grainy, reference, within).payload == withinFirst.payload) << helper;
    EXPECT_TRUE(Encode(afterKept, grainy, reference, over).payload == overFirst.payload) << helper;
  }
}

TEST(EncodeFrame, NoiseRetriesSixTimesAndKeepsTheOversizedPayload) {
  Picture noise;
  std::mt19937 random(5);
  for (auto& byte : noise.bytes()) byte = static_cast<std::uint8_t>(random());
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, noise, Picture{});
  ExpectWellFormed(e);
  EXPECT_EQ(e.report.codings, 7);
  EXPECT_GT(e.payload.size(), kFrameBudget);
  EXPECT_GT(e.coded.colourBytes, 65535u) << "the colour section outgrows its 16-bit field";
}

TEST(EncodeFrame, RetryThresholdsRiseWithEachCoding) {
  // A checkerboard of +10 in blue and green over grey 100 against black: every region of two
  // or more pixels has a variance sum of exactly 50, so only fills can shrink the frame.
  //  - first coding: level 5 fill threshold 80 (both level-3 runs split) fills every pair:
  //    600 blocks x (189 code bits + 32 colours) = 52.6 KB, over the budget;
  //  - retry 0: pair fill threshold 44 (inner 33, border 41) splits every pair: larger still;
  //  - retry 1: level 4 fill 72 fills inner 2x2 squares (54); border blocks fill their 2x4
  //    halves at level 3 (fill 64 x 0.95 = 60; inner 48 does not), about 18 KB: done.
  Picture picture;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x) {
      const std::uint8_t v = (x + y) % 2 ? 110 : 100;
      picture.Set(x, y, {v, v, 100});
    }
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, picture, Picture{});
  ExpectWellFormed(e);
  EXPECT_EQ(e.report.codings, 3);
  EXPECT_LE(e.payload.size(), kFrameBudget);
  for (int block = 0; block < kBlockCount; ++block) {
    const bool border = FillBorder(block);
    const CodedNode* node = border ? e.coded.Find(block, 2, 4, 2, 4) : e.coded.Find(block, 2, 2, 2, 2);
    ASSERT_NE(node, nullptr) << "block " << block;
    EXPECT_EQ(node->kind, NodeKind::kFill) << "block " << block;
  }
}

TEST(EncodeFrame, GrainyPictureFitsAfterSomeRetries) {
  // Grey with +-12 of grain: the first coding splits nearly everything, raised thresholds fill.
  Picture grain;
  std::mt19937 random(9);
  for (auto& byte : grain.bytes()) byte = static_cast<std::uint8_t>(116 + random() % 25);
  FrameEncoder encoder;
  const Encoded e = Encode(encoder, grain, Picture{});
  ExpectWellFormed(e);
  EXPECT_GT(e.report.codings, 1);
  EXPECT_LT(e.report.codings, 7);
  EXPECT_LE(e.payload.size(), kFrameBudget);
}

// Payload hashes of closed-loop runs over the synthetic sequences, taken from the first
// straightforward version of the coder. Speed work on the hot loops must keep every bit.
std::uint64_t HashClosedLoop(bench::Content content, int frames, EncoderSettings settings) {
  const bench::PreparedSequence sequence(content, frames);
  FrameEncoder encoder;
  std::vector<std::uint16_t> reference(kReferencePixels, 0), next(kReferencePixels);
  Picture referenceCopy;
  std::vector<std::uint8_t> payload(kMaxPayloadBytes);
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (int f = 0; f < frames; ++f) {
    const std::size_t length = encoder.EncodeFrame(sequence.Frame(f), referenceCopy.data(), payload.data(), settings);
    for (std::size_t i = 0; i < length; ++i) hash = (hash ^ payload[i]) * 1099511628211ull;
    const CodedFrame coded = ReadCodedFrame(payload.data(), length);
    EXPECT_EQ(coded.error, "");
    testing::RebuildPicture(coded, reference.data(), next.data());
    reference = next;
    for (std::size_t p = 0; p < kReferencePixels; ++p) {
      const std::uint16_t w = reference[p];
      referenceCopy.bytes()[3 * p] = static_cast<std::uint8_t>((w >> 7) & 0xF8);
      referenceCopy.bytes()[3 * p + 1] = static_cast<std::uint8_t>((w >> 2) & 0xF8);
      referenceCopy.bytes()[3 * p + 2] = static_cast<std::uint8_t>((w << 3) & 0xF8);
    }
  }
  return hash;
}

TEST(EncodeFrame, GoldenPayloads) {
  struct Case {
    bench::Content content;
    int frames;
    EncoderSettings settings;
    std::uint64_t hash;
  };
  const Case cases[] = {
      {bench::Content::kMoving, 10, {0, 240, 160}, 0xa2344885f94d22e2},
      {bench::Content::kMoving, 10, {3, 240, 160}, 0xcee22d54e21464a0},
      {bench::Content::kMoving, 10, {7, 120, 80}, 0x1db301f89018b38e},
      {bench::Content::kMoving, 6, {5, 16, 16}, 0x48360cfb734b7d27},
      {bench::Content::kStill, 3, {2, 240, 160}, 0x2d7282859bf2c0dd},
      {bench::Content::kNoise, 1, {0, 240, 160}, 0x1ddb383ab2d2a986},
  };
  for (const bool avx2 : {true, false}) {  // the widest kernels, then the portable ones
    AllowPrepAvx2(avx2);
    for (const Case& c : cases) {
      const std::uint64_t hash = HashClosedLoop(c.content, c.frames, c.settings);
      EXPECT_EQ(hash, c.hash) << bench::ContentName(c.content) << " mode " << c.settings.mode << " "
                              << c.settings.targetWidth << "x" << c.settings.targetHeight << std::hex << " hash 0x"
                              << hash << " avx2 " << avx2;
    }
  }
  AllowPrepAvx2(true);
}

}  // namespace
}  // namespace tarn::codec
