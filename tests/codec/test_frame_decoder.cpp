// DecodeFrame against records assembled bit by bit here, and a per-pixel model of each code.
#include "codec/frame_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::codec {
namespace {

using Picture = std::vector<std::uint16_t>;
constexpr int kW = kScreenWidth;

// Assembles a record: code bits into 32-bit words (first bit in bit 31), then the colour
// words and the vector bytes, behind the length word and K, M.
class RecordWriter {
 public:
  RecordWriter& Bits(std::string_view bits) {  // spaces between codes are skipped
    for (char bit : bits) {
      if (bit != ' ') bits_.push_back(bit == '1');
    }
    return *this;
  }
  RecordWriter& Colour(std::uint16_t colour) {
    colours_.push_back(colour);
    return *this;
  }
  RecordWriter& Vector(std::uint8_t vector) {
    vectors_.push_back(vector);
    return *this;
  }

  std::vector<std::uint8_t> Record(std::size_t trailingBytes = 0) const {
    std::vector<std::uint32_t> words((bits_.size() + 31) / 32);
    for (std::size_t i = 0; i < bits_.size(); ++i) {
      if (bits_[i]) words[i / 32] |= 1u << (31 - i % 32);
    }
    std::vector<std::uint8_t> record(2);  // the length word, set at the end
    auto put16 = [&](std::size_t v) {
      record.push_back(std::uint8_t(v));
      record.push_back(std::uint8_t(v >> 8));
    };
    put16(words.size() * 4);
    put16(colours_.size() * 2);
    for (std::uint32_t word : words) {
      put16(word & 0xFFFF);
      put16(word >> 16);
    }
    for (std::uint16_t colour : colours_) put16(colour);
    for (std::uint8_t vector : vectors_) record.push_back(vector);
    record.resize(record.size() + trailingBytes, 0xA5);
    const std::size_t payloadBytes = record.size() - 2;
    record[0] = std::uint8_t(payloadBytes);
    record[1] = std::uint8_t(payloadBytes >> 8);
    return record;
  }

 private:
  std::vector<bool> bits_;
  std::vector<std::uint16_t> colours_;
  std::vector<std::uint8_t> vectors_;
};

Picture RandomPicture(std::mt19937& random) {
  Picture picture(kReferencePixels);
  for (auto& pixel : picture) pixel = std::uint16_t(random());
  return picture;
}

// Decodes from an exactly sized copy, so that the sanitizers see any read past the record.
DecodeStatus Decode(const std::vector<std::uint8_t>& record, const Picture& reference, Picture& target) {
  const std::vector<std::uint8_t> exact(record);
  return DecodeFrame(exact.data(), exact.size(), reference.data(), target.data());
}

void KeepRemainingBlocks(RecordWriter& writer, int blocksWritten) {
  for (int b = blocksWritten; b < kBlockCount; ++b) writer.Bits("00");
}

class FrameDecoderTest : public ::testing::Test {
 protected:
  std::mt19937 random_{7};
  Picture reference_ = RandomPicture(random_);
  Picture target_ = Picture(kReferencePixels, 0xDEAD);
};

TEST_F(FrameDecoderTest, KeepsAndZeroMovesReproduceTheReference) {
  RecordWriter keeps;
  KeepRemainingBlocks(keeps, 0);
  const auto record = keeps.Record();
  EXPECT_EQ(record.size(), 2u + 156u);
  ASSERT_EQ(Decode(record, reference_, target_), DecodeStatus::kOk);
  EXPECT_EQ(target_, reference_);

  RecordWriter moves;
  for (int b = 0; b < kBlockCount; ++b) moves.Bits("01").Vector(136);
  target_.assign(kReferencePixels, 0);
  ASSERT_EQ(Decode(moves.Record(), reference_, target_), DecodeStatus::kOk);
  EXPECT_EQ(target_, reference_);
}

TEST_F(FrameDecoderTest, SectionsAreConsumedInCodeOrder) {
  RecordWriter writer;
  writer.Bits("111").Bits("01").Colour(0x1234).Colour(0x4321).Vector(0x89).Vector(0x00);
  KeepRemainingBlocks(writer, 2);
  ASSERT_EQ(Decode(writer.Record(), reference_, target_), DecodeStatus::kOk);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(target_[y * kW + x], 0x1234);
      EXPECT_EQ(target_[y * kW + 8 + x], reference_[y * kW + 8 + x + 1]);  // vector 0x89: one right
    }
  }
}

// Both directions of every cut, down to the one-row and one-column strips that only a reader
// meets, and the pixel-pair codes.
TEST_F(FrameDecoderTest, DirectionBitsReachEveryStripShape) {
  RecordWriter writer;
  // Block 0: rows. 8x8 -> 8x4 -> 8x2 -> 8x1 -> 4x1 | 4x1 -> 2x1 pairs.
  writer.Bits("100").Bits("100").Bits("100").Bits("10").Bits("111").Colour(1);
  writer.Bits("10").Bits("111").Colour(2).Colour(3).Bits("110").Colour(4);
  writer.Bits("111").Colour(5).Bits("111").Colour(6).Bits("111").Colour(7);
  // Block 1: columns. 8x8 -> 4x8 -> 2x8 -> 1x8 -> 1x4 | 1x4 -> 1x2 pairs.
  writer.Bits("101").Bits("101").Bits("101").Bits("10").Bits("111").Colour(11);
  writer.Bits("10").Bits("111").Colour(12).Colour(13).Bits("110").Colour(14);
  writer.Bits("111").Colour(15).Bits("111").Colour(16).Bits("111").Colour(17);
  KeepRemainingBlocks(writer, 2);
  ASSERT_EQ(Decode(writer.Record(), reference_, target_), DecodeStatus::kOk);

  auto rowsBlock = [](int x, int y) -> std::uint16_t {
    if (y == 0) return x < 4 ? 1 : x == 4 ? 2 : x == 5 ? 3 : 4;
    return y == 1 ? 5 : y < 4 ? 6 : 7;
  };
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(target_[y * kW + x], rowsBlock(x, y)) << x << "," << y;
      EXPECT_EQ(target_[y * kW + 8 + x], rowsBlock(y, x) + 10) << x << "," << y;
    }
  }
}

TEST_F(FrameDecoderTest, OffsetAddsWrapPerPixelWithoutCarryingIntoTheNeighbour) {
  reference_[0] = 0xFFFF;
  reference_[1] = 0x0001;
  reference_[8] = 0x8000;
  reference_[kW + 8] = 0x7FFF;
  RecordWriter writer;
  writer.Bits("110").Vector(136).Colour(0x0002);  // block 0: 8x8 move with offset
  // Block 1 down to its top-left 1x2 pair, moved with offset; the rest of the block kept.
  writer.Bits("101").Bits("101").Bits("101").Bits("10").Bits("10");
  writer.Bits("10").Vector(136).Colour(0x8001);
  for (int i = 0; i < 5; ++i) writer.Bits("00");
  KeepRemainingBlocks(writer, 2);
  ASSERT_EQ(Decode(writer.Record(), reference_, target_), DecodeStatus::kOk);
  EXPECT_EQ(target_[0], 0x0001);
  EXPECT_EQ(target_[1], 0x0003);
  EXPECT_EQ(target_[kW + 5], std::uint16_t(reference_[kW + 5] + 2));
  EXPECT_EQ(target_[8], 0x0001);
  EXPECT_EQ(target_[kW + 8], 0x0000);
  EXPECT_EQ(target_[9], reference_[9]);
}

// One moved block among keeps: its vector either decodes or makes the frame damaged.
DecodeStatus DecodeMovedBlock(int block, std::uint8_t vector, const Picture& reference, Picture& target) {
  RecordWriter writer;
  for (int b = 0; b < kBlockCount; ++b) writer.Bits(b == block ? "01" : "00");
  writer.Vector(vector);
  return Decode(writer.Record(), reference, target);
}

TEST_F(FrameDecoderTest, VectorsMayRunRoundRowEndsButNotLeaveThePicture) {
  ASSERT_EQ(DecodeMovedBlock(30, 0x87, reference_, target_), DecodeStatus::kOk);  // one left, at x = 0
  EXPECT_EQ(target_[8 * kW], reference_[8 * kW - 1]);
  EXPECT_EQ(target_[9 * kW + 7], reference_[9 * kW + 6]);
  ASSERT_EQ(DecodeMovedBlock(29, 0x8F, reference_, target_), DecodeStatus::kOk);  // seven right
  EXPECT_EQ(target_[kW - 1], reference_[kW + 6]);

  EXPECT_EQ(DecodeMovedBlock(0, 0x87, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedBlock(0, 0x78, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedBlock(kBlockCount - 1, 0x89, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedBlock(kBlockCount - 1, 0x98, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedBlock(kBlockCount - 60, 0xF8, reference_, target_), DecodeStatus::kOk);  // seven down
}

// The top-left 2x2 cell of the first block or the bottom-right one of the last block moved
// among keeps, with colours and a vector to spare in their sections.
DecodeStatus DecodeMovedCell(bool lastBlock, std::uint8_t vector, const Picture& reference, Picture& target) {
  RecordWriter writer;
  if (lastBlock) KeepRemainingBlocks(writer, 1);
  writer.Bits(lastBlock ? "100 00 101 00 100 00 101 00 01" : "100 101 100 101 01 00 00 00 00");
  if (!lastBlock) KeepRemainingBlocks(writer, 1);
  writer.Vector(vector).Vector(136);
  for (int i = 0; i < 4; ++i) writer.Colour(0);
  return Decode(writer.Record(), reference, target);
}

TEST_F(FrameDecoderTest, CellsMayNotReachOnePixelOutOfThePicture) {
  ASSERT_EQ(DecodeMovedCell(false, 0x99, reference_, target_), DecodeStatus::kOk);
  EXPECT_EQ(target_[kW + 1], reference_[2 * kW + 2]);
  ASSERT_EQ(DecodeMovedCell(true, 0x77, reference_, target_), DecodeStatus::kOk);
  EXPECT_EQ(target_[kReferencePixels - 1], reference_[kReferencePixels - 2 - kW]);
  EXPECT_EQ(DecodeMovedCell(false, 0x87, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedCell(false, 0x78, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedCell(true, 0x89, reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(DecodeMovedCell(true, 0x98, reference_, target_), DecodeStatus::kDamaged);
}

void SetWord(std::vector<std::uint8_t>& record, std::size_t at, std::size_t value) {
  record[at] = std::uint8_t(value);
  record[at + 1] = std::uint8_t(value >> 8);
}

TEST_F(FrameDecoderTest, MalformedSectionsAreDamaged) {
  RecordWriter keeps;
  KeepRemainingBlocks(keeps, 0);
  const auto allKeep = keeps.Record();
  auto damagedWith = [&](std::size_t at, std::size_t value) {
    auto record = allKeep;
    SetWord(record, at, value);
    return Decode(record, reference_, target_) == DecodeStatus::kDamaged;
  };
  EXPECT_TRUE(damagedWith(0, allKeep.size() - 1));  // length word past the record
  EXPECT_TRUE(damagedWith(0, 3));                   // no room for K and M
  EXPECT_TRUE(damagedWith(2, 0xFFFC));              // K past the end
  EXPECT_TRUE(damagedWith(2, 150));                 // K not whole words
  EXPECT_TRUE(damagedWith(4, 2));                   // M past the end
  EXPECT_TRUE(damagedWith(2, 148));                 // the code section runs dry at block 592

  RecordWriter fills;
  RecordWriter moves;
  for (int b = 0; b < kBlockCount; ++b) {
    fills.Bits("111");
    moves.Bits("01");
    if (b == 0) continue;  // one colour and one vector short
    fills.Colour(0x7FFF);
    moves.Vector(136);
  }
  EXPECT_EQ(Decode(fills.Record(), reference_, target_), DecodeStatus::kDamaged);
  EXPECT_EQ(Decode(moves.Record(), reference_, target_), DecodeStatus::kDamaged);
  auto oddColours = fills.Colour(0x7FFF).Record();
  ASSERT_EQ(Decode(oddColours, reference_, target_), DecodeStatus::kOk);
  SetWord(oddColours, 4, 1199);
  EXPECT_EQ(Decode(oddColours, reference_, target_), DecodeStatus::kDamaged);
}

// Writes random block trees and applies each node to an expected picture, pixel by pixel.
class RandomFrame {
 public:
  RandomFrame(std::mt19937& random, const Picture& reference)
      : expected(kReferencePixels), random_(random), reference_(reference) {
    for (int b = 0; b < kBlockCount; ++b) Node(b % kBlocksAcross * 8, b / kBlocksAcross * 8, 8, 8);
  }

  RecordWriter writer;
  Picture expected;
  std::set<std::pair<int, int>> shapes;

 private:
  void Node(int x, int y, int w, int h) {
    shapes.insert({w, h});
    const bool pair = w * h == 2;
    const auto choice = random_() % 10;
    if (!pair && choice >= 4) return Split(x, y, w, h);
    switch (choice % (pair ? 5 : 4)) {
      case 0:
        writer.Bits("00");
        return Apply(x, y, w, h, 136, 0);
      case 1: {
        const auto vector = Vector(x, y, w, h);
        writer.Bits("01").Vector(vector);
        return Apply(x, y, w, h, vector, 0);
      }
      case 2: {
        const auto vector = Vector(x, y, w, h);
        const auto offset = Colour();
        writer.Bits(pair ? "10" : "110").Vector(vector).Colour(offset);
        return Apply(x, y, w, h, vector, offset);
      }
      case 3: {
        const auto colour = Colour();
        writer.Bits(pair ? "110" : "111").Colour(colour);
        return Set(x, y, w, h, colour);
      }
      default: {
        const auto first = Colour(), second = Colour();
        writer.Bits("111").Colour(first).Colour(second);
        Set(x, y, 1, 1, first);
        return Set(w == 2 ? x + 1 : x, w == 2 ? y : y + 1, 1, 1, second);
      }
    }
  }

  void Split(int x, int y, int w, int h) {
    const bool leftRight = h == 1 || (w > 1 && random_() % 2 == 0);
    writer.Bits(w == 1 || h == 1 ? "10" : leftRight ? "101" : "100");
    if (leftRight) {
      Node(x, y, w / 2, h);
      Node(x + w / 2, y, w / 2, h);
    } else {
      Node(x, y, w, h / 2);
      Node(x, y + h / 2, w, h / 2);
    }
  }

  std::uint16_t Colour() { return std::uint16_t(random_()); }

  // A random vector whose source stays inside the picture, else the zero vector.
  std::uint8_t Vector(int x, int y, int w, int h) {
    auto vector = std::uint8_t(random_());
    const int first = (y + (vector >> 4) - 8) * kW + x + (vector & 15) - 8;
    if (first < 0 || first + (h - 1) * kW + w - 1 >= int(kReferencePixels)) vector = 136;
    return vector;
  }

  void Apply(int x, int y, int w, int h, std::uint8_t vector, std::uint16_t offset) {
    const int shift = ((vector >> 4) - 8) * kW + (vector & 15) - 8;
    for (int r = 0; r < h; ++r) {
      for (int c = 0; c < w; ++c) {
        const int at = (y + r) * kW + x + c;
        expected[at] = std::uint16_t(reference_[at + shift] + offset);
      }
    }
  }

  void Set(int x, int y, int w, int h, std::uint16_t colour) {
    for (int r = 0; r < h; ++r) {
      for (int c = 0; c < w; ++c) expected[(y + r) * kW + x + c] = colour;
    }
  }

  std::mt19937& random_;
  const Picture& reference_;
};

TEST_F(FrameDecoderTest, RandomTreesMatchThePixelModel) {
  std::set<std::pair<int, int>> shapes;
  for (int frame = 0; frame < 20; ++frame) {
    reference_ = RandomPicture(random_);
    const RandomFrame random(random_, reference_);
    ASSERT_EQ(Decode(random.writer.Record(), reference_, target_), DecodeStatus::kOk) << frame;
    ASSERT_EQ(target_, random.expected) << frame;
    // Bytes after the vector section (an appendix) are not read.
    ASSERT_EQ(Decode(random.writer.Record(40), reference_, target_), DecodeStatus::kOk) << frame;
    ASSERT_EQ(target_, random.expected) << frame;
    shapes.insert(random.shapes.begin(), random.shapes.end());
  }
  EXPECT_EQ(shapes.size(), 15u);
}

// Every shorter length word leaves some colour or vector unread or the sections outside the
// payload; every changed byte may decode or not, but never reads or writes out of bounds.
TEST_F(FrameDecoderTest, TruncatedAndCorruptedRecordsStayInBounds) {
  const RandomFrame random(random_, reference_);
  const auto record = random.writer.Record();
  for (std::size_t size = 0; size < record.size(); ++size) {
    std::vector<std::uint8_t> cut(record.begin(), record.begin() + std::ptrdiff_t(size));
    ASSERT_EQ(DecodeFrame(cut.data(), size, reference_.data(), target_.data()), DecodeStatus::kDamaged);
    if (size < 2) continue;
    SetWord(cut, 0, size - 2);
    ASSERT_EQ(Decode(cut, reference_, target_), DecodeStatus::kDamaged) << size;
  }
  for (int trial = 0; trial < 2000; ++trial) {
    auto corrupt = record;
    for (int i = 0; i < 3; ++i) corrupt[random_() % (trial % 2 ? 12 : corrupt.size())] ^= std::uint8_t(random_());
    Decode(corrupt, reference_, target_);
  }
}

// The format read the plain way, bit by bit and node by node: what the handheld accepts and
// shows, for records damaged anywhere.
class PlainReader {
 public:
  explicit PlainReader(const std::vector<std::uint8_t>& record) : record_(record) {}

  std::optional<Picture> Decode(const Picture& reference) {
    if (record_.size() < 6) return std::nullopt;
    const std::size_t payload = Word(0);
    if (payload < 4 || payload > record_.size() - 2) return std::nullopt;
    const std::size_t codes = Word(2), colours = Word(4);
    if (codes % 4 != 0 || colours % 2 != 0 || 4 + codes + colours > payload) return std::nullopt;
    bit_ = 0;
    bitsEnd_ = codes * 8;
    colour_ = 6 + codes;
    coloursEnd_ = colour_ + colours;
    vector_ = coloursEnd_;
    vectorsEnd_ = 2 + payload;
    reference_ = &reference;
    picture_.assign(kReferencePixels, 0);
    for (int b = 0; b < kBlockCount; ++b) {
      if (!Node(b % kBlocksAcross * 8, b / kBlocksAcross * 8, 8, 8)) return std::nullopt;
    }
    return picture_;
  }

 private:
  std::size_t Word(std::size_t at) const { return record_[at] | std::size_t{record_[at + 1]} << 8; }

  // Bit 31 of each little-endian 32-bit word first; the words start at byte 6.
  bool Bit(int& bit) {
    if (bit_ >= bitsEnd_) return false;
    const std::size_t word = 6 + bit_ / 32 * 4, within = 31 - bit_ % 32;
    bit = record_[word + within / 8] >> within % 8 & 1;
    ++bit_;
    return true;
  }
  bool Colour(std::uint16_t& colour) {
    if (colour_ >= coloursEnd_) return false;
    colour = std::uint16_t(Word(colour_));
    colour_ += 2;
    return true;
  }
  bool Source(int x, int y, int w, int h, int& shift) {
    if (vector_ >= vectorsEnd_) return false;
    const int vector = record_[vector_++];
    shift = ((vector >> 4) - 8) * kW + (vector & 15) - 8;
    const int first = y * kW + x + shift;
    return first >= 0 && first + (h - 1) * kW + w - 1 < int(kReferencePixels);
  }
  void Paint(int x, int y, int w, int h, int shift, bool fromReference, std::uint16_t add) {
    for (int r = 0; r < h; ++r) {
      for (int c = 0; c < w; ++c) {
        const int at = (y + r) * kW + x + c;
        picture_[at] = std::uint16_t((fromReference ? (*reference_)[at + shift] : 0) + add);
      }
    }
  }

  bool Node(int x, int y, int w, int h) {
    int a, b, c, shift = 0;
    std::uint16_t first, second;
    if (!Bit(a) || !Bit(b)) return false;
    if (a == 0 && b == 0) return Paint(x, y, w, h, 0, true, 0), true;
    if (a == 0) return Source(x, y, w, h, shift) && (Paint(x, y, w, h, shift, true, 0), true);
    const bool pair = w * h == 2, line = !pair && (w == 1 || h == 1);
    if (pair && b == 0)
      return Source(x, y, w, h, shift) && Colour(first) && (Paint(x, y, w, h, shift, true, first), true);
    if (line && b == 0)
      return h == 1 ? Node(x, y, w / 2, 1) && Node(x + w / 2, y, w / 2, 1)
                    : Node(x, y, 1, h / 2) && Node(x, y + h / 2, 1, h / 2);
    if (!Bit(c)) return false;
    if (pair && c == 1) {
      if (!Colour(first) || !Colour(second)) return false;
      Paint(x, y, 1, 1, 0, false, first);
      return Paint(w == 2 ? x + 1 : x, w == 2 ? y : y + 1, 1, 1, 0, false, second), true;
    }
    if (pair || b == 1) {
      if (pair || c == 1) return Colour(first) && (Paint(x, y, w, h, 0, false, first), true);
      return Source(x, y, w, h, shift) && Colour(first) && (Paint(x, y, w, h, shift, true, first), true);
    }
    return c == 1 ? Node(x, y, w / 2, h) && Node(x + w / 2, y, w / 2, h)
                  : Node(x, y, w, h / 2) && Node(x, y + h / 2, w, h / 2);
  }

  const std::vector<std::uint8_t>& record_;
  const Picture* reference_ = nullptr;
  Picture picture_;
  std::size_t bit_ = 0, bitsEnd_ = 0, colour_ = 0, coloursEnd_ = 0, vector_ = 0, vectorsEnd_ = 0;
};

// Whatever the damage, the decoder accepts what the plain reading accepts and shows the same.
TEST_F(FrameDecoderTest, DamagedRecordsDecodeAsReadNodeByNode) {
  int accepted = 0, rejected = 0;
  for (int frame = 0; frame < 4; ++frame) {
    const RandomFrame random(random_, reference_);
    const auto record = random.writer.Record();
    for (int trial = 0; trial < 500; ++trial) {
      auto damaged = record;
      const int changes = 1 + trial % 3;
      for (int i = 0; i < changes; ++i) {
        const std::size_t at = trial % 4 == 0 ? 2 + random_() % 4 : random_() % damaged.size();
        damaged[at] ^= std::uint8_t(1u << random_() % 8);
      }
      const auto expected = PlainReader(damaged).Decode(reference_);
      target_.assign(kReferencePixels, 0);
      ASSERT_EQ(Decode(damaged, reference_, target_), expected ? DecodeStatus::kOk : DecodeStatus::kDamaged)
          << frame << " " << trial;
      if (expected) {
        ASSERT_EQ(target_, *expected) << frame << " " << trial;
      }
      ++(expected ? accepted : rejected);
    }
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(rejected, 100);
}

TEST(ReferenceUpkeep, WideningKeepsTheTopFiveBitsOfEachChannelAndTheRowOrder) {
  Picture reference(kReferencePixels, 0);
  reference[0] = 0x8000 | 3 << 10 | 2 << 5 | 1;  // bit 15 is not a colour bit
  reference[kW * 159 + 239] = 0x7FFF;
  std::vector<std::uint8_t> copy(kRgbPictureBytes, 0xAB);
  std::vector<std::uint8_t> preview(kRgbPictureBytes, 0xAB);
  ReferenceToRgb(reference.data(), copy.data());
  ReferenceToPreview(reference.data(), preview.data());
  const std::vector<std::uint8_t> firstPixel{3 << 3, 2 << 3, 1 << 3};
  EXPECT_EQ(std::vector<std::uint8_t>(copy.begin(), copy.begin() + 3), firstPixel);
  EXPECT_EQ(std::vector<std::uint8_t>(preview.end() - kRgbStride, preview.end() - kRgbStride + 3), firstPixel);
  EXPECT_EQ(std::vector<std::uint8_t>(copy.end() - 3, copy.end()), std::vector<std::uint8_t>(3, 0xF8));
  EXPECT_EQ(std::vector<std::uint8_t>(preview.begin() + kRgbStride - 3, preview.begin() + kRgbStride),
            std::vector<std::uint8_t>(3, 0xF8));
  EXPECT_EQ(std::count(copy.begin(), copy.end(), 0), std::ptrdiff_t(kRgbPictureBytes - 6));
  EXPECT_EQ(std::count(preview.begin(), preview.end(), 0), std::ptrdiff_t(kRgbPictureBytes - 6));
  std::vector<std::uint8_t> bothCopy(kRgbPictureBytes, 0xAB), bothPreview(kRgbPictureBytes, 0xAB);
  ReferenceToRgbAndPreview(reference.data(), bothCopy.data(), bothPreview.data());
  EXPECT_EQ(bothCopy, copy);
  EXPECT_EQ(bothPreview, preview);
  // Every word (bit 15 included) widened alike by both paths.
  std::mt19937 random(11);
  const Picture noise = RandomPicture(random);
  ReferenceToRgb(noise.data(), copy.data());
  ReferenceToPreview(noise.data(), preview.data());
  ReferenceToRgbAndPreview(noise.data(), bothCopy.data(), bothPreview.data());
  EXPECT_EQ(bothCopy, copy);
  EXPECT_EQ(bothPreview, preview);
  // The preview where the sample buffer puts it: at any alignment, with nothing written around it.
  std::vector<std::uint8_t> buffer(kRgbPictureBytes + 128);
  for (std::size_t offset = 0; offset < 64; ++offset) {
    std::fill(buffer.begin(), buffer.end(), 0xAB);
    ReferenceToRgbAndPreview(noise.data(), bothCopy.data(), buffer.data() + offset);
    const auto start = buffer.begin() + static_cast<std::ptrdiff_t>(offset);
    ASSERT_TRUE(std::equal(preview.begin(), preview.end(), start)) << offset;
    ASSERT_EQ(std::count(buffer.begin(), start, 0xAB), std::ptrdiff_t(offset));
    ASSERT_EQ(std::count(start + std::ptrdiff_t(kRgbPictureBytes), buffer.end(), 0xAB), std::ptrdiff_t(128 - offset));
  }

  ResetReference(reference.data(), copy.data());
  EXPECT_EQ(std::count(reference.begin(), reference.end(), 0), std::ptrdiff_t(kReferencePixels));
  EXPECT_EQ(std::count(copy.begin(), copy.end(), 0), std::ptrdiff_t(kRgbPictureBytes));
}

}  // namespace
}  // namespace tarn::codec
