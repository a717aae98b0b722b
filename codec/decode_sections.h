// The three cursors of a payload: code bits, colour words and vector bytes.
//
// Each cursor is bounded by its own section; a read past the end of a section means the
// record is damaged. The cursors report that by returning false and never touch a byte
// outside their section.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarn::codec::decode {

// What one node of a block's tree asks for.
enum class NodeCode : std::uint8_t {
  kKeep,            // copy from the reference at the same place
  kMove,            // copy from the reference displaced by a vector
  kFill,            // one colour for every pixel
  kMoveOffset,      // move, then add a colour word to every pixel
  kSplitLeftRight,  // 10 1: cut into left and right halves
  kSplitTopBottom,  // 10 0: cut into top and bottom halves
  kSplitLine,       // 10 of a one-row or one-column node: cut across its length
  kTwoColours,      // a pixel pair: one colour for each pixel
};

// How a node's codes are laid out; it depends only on the node's shape.
enum class CodeSet : std::uint8_t {
  kSplitWithDirection,  // at least 2x2: split is 10 followed by the direction bit
  kSplitAlongLine,      // one row or column of 4 or 8 pixels: split is just 10
  kPair,                // two pixels: 00 keep, 01 move, 10 offset, 110 fill, 111 two colours
};

// Reads code bits from 32-bit little-endian words, bit 31 of each word first.
class CodeBitReader {
 public:
  CodeBitReader(const std::uint8_t* begin, std::size_t bytes) : next_(begin), end_(begin + bytes / 4 * 4) {}

  // Reads one node's code (two or three bits). False when the section runs dry.
  template <CodeSet kSet>
  bool ReadCode(NodeCode& code) {
    if (available_ < kLongestCode) Refill();
    const auto top = static_cast<unsigned>(cache_ >> 61);  // the next three bits, zero past the end
    const Entry entry = kTables[static_cast<std::size_t>(kSet)][top];
    if (entry.length > available_) return false;
    cache_ <<= entry.length;
    available_ -= entry.length;
    code = entry.code;
    return true;
  }

  // The next kBits bits, zero past the end, for a look-up of several codes at once.
  template <unsigned kBits>
  unsigned Peek() {
    static_assert(kBits <= 32);
    if (available_ < kBits) Refill();
    return static_cast<unsigned>(cache_ >> (64 - kBits));
  }

  // Passes over `length` bits of the last Peek. False when the section holds fewer.
  bool Skip(unsigned length) {
    if (length > available_) return false;
    cache_ <<= length;
    available_ -= length;
    return true;
  }

 private:
  static constexpr unsigned kLongestCode = 3;

  struct Entry {
    NodeCode code;
    std::uint8_t length;
  };
  using Table = std::array<Entry, 8>;  // indexed by the next three bits
  static constexpr Table kWithDirection = {{
      {NodeCode::kKeep, 2},
      {NodeCode::kKeep, 2},  // 00x
      {NodeCode::kMove, 2},
      {NodeCode::kMove, 2},  // 01x
      {NodeCode::kSplitTopBottom, 3},
      {NodeCode::kSplitLeftRight, 3},  // 100, 101
      {NodeCode::kMoveOffset, 3},
      {NodeCode::kFill, 3},  // 110, 111
  }};
  static constexpr Table kAlongLine = {{
      {NodeCode::kKeep, 2},
      {NodeCode::kKeep, 2},
      {NodeCode::kMove, 2},
      {NodeCode::kMove, 2},
      {NodeCode::kSplitLine, 2},
      {NodeCode::kSplitLine, 2},  // 10x
      {NodeCode::kMoveOffset, 3},
      {NodeCode::kFill, 3},
  }};
  static constexpr Table kPairCodes = {{
      {NodeCode::kKeep, 2},
      {NodeCode::kKeep, 2},
      {NodeCode::kMove, 2},
      {NodeCode::kMove, 2},
      {NodeCode::kMoveOffset, 2},
      {NodeCode::kMoveOffset, 2},  // 10x
      {NodeCode::kFill, 3},
      {NodeCode::kTwoColours, 3},  // 110, 111
  }};
  static constexpr std::array<Table, 3> kTables = {kWithDirection, kAlongLine, kPairCodes};

  // Appends the next word below the bits still held; called with fewer than 32 bits held.
  void Refill() {
    if (next_ == end_) return;
    std::uint32_t word;
    std::memcpy(&word, next_, sizeof word);
    next_ += sizeof word;
    cache_ |= static_cast<std::uint64_t>(word) << (32 - available_);
    available_ += 32;
  }

  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t cache_ = 0;  // bits not yet read, the next one in bit 63
  unsigned available_ = 0;
};

// Hands out the colour section's 16-bit words in order.
class ColourCursor {
 public:
  ColourCursor(const std::uint8_t* begin, std::size_t bytes) : next_(begin), end_(begin + bytes / 2 * 2) {}

  bool Take(std::uint16_t& colour) {
    if (next_ == end_) return false;
    std::memcpy(&colour, next_, sizeof colour);
    next_ += sizeof colour;
    return true;
  }

  // The next four colours without taking them, the first in the low bits; the section must
  // hold them.
  std::uint64_t PeekFour() const {
    std::uint64_t colours;
    std::memcpy(&colours, next_, sizeof colours);
    return colours;
  }
  bool Holds(std::size_t count) const { return static_cast<std::size_t>(end_ - next_) >= count * 2; }
  void Skip(std::size_t count) { next_ += count * 2; }

 private:
  const std::uint8_t* next_;
  const std::uint8_t* end_;
};

// Hands out the vector section's bytes in order.
class VectorCursor {
 public:
  VectorCursor(const std::uint8_t* begin, std::size_t bytes) : next_(begin), end_(begin + bytes) {}

  bool Take(std::uint8_t& vector) {
    if (next_ == end_) return false;
    vector = *next_++;
    return true;
  }

  // The next kCount vectors without taking them; the section must hold them.
  template <std::size_t kCount>
  std::array<std::uint8_t, kCount> Peek() const {
    std::array<std::uint8_t, kCount> vectors;
    std::memcpy(vectors.data(), next_, sizeof vectors);
    return vectors;
  }
  bool Holds(std::size_t count) const { return static_cast<std::size_t>(end_ - next_) >= count; }
  void Skip(std::size_t count) { next_ += count; }

 private:
  const std::uint8_t* next_;
  const std::uint8_t* end_;
};

}  // namespace tarn::codec::decode
