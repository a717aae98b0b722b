// A plain reading of encoder payloads for the tests: every node of every block tree with its
// place, shape and data, the section bookkeeping, and the picture the payload rebuilds.
// Written without the codec's decoder so that the two can be checked against each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn::codec::testing {

enum class NodeKind { kKeep, kMove, kFill, kMoveWithOffset, kTwoColours, kSplit };

struct CodedNode {
  int block;
  int x, y;  // top-left pixel on the screen
  int width, height;
  NodeKind kind;
  int direction = -1;  // split: 1 left/right, 0 top/bottom, -1 no bit (a line)
  int vector = -1;     // move, move with offset
  std::uint16_t colours[2] = {0, 0};
};

struct CodedFrame {
  std::string error;  // empty when the payload reads cleanly
  std::size_t codeBytes = 0, colourBytes = 0, vectorBytes = 0;
  std::size_t colourField = 0;  // M as written: the low 16 bits of colourBytes
  std::size_t bitsRead = 0, coloursRead = 0, vectorsRead = 0;
  bool paddingZero = true;
  std::vector<CodedNode> nodes;  // depth first, blocks in order

  // The node of block `block` at local (x, y) with the given shape, or nullptr.
  const CodedNode* Find(int block, int localX, int localY, int width, int height) const;
  int CountSplits(int width, int height) const;
};

// Reads a payload of `length` bytes. The colour section's size comes from the codes (its
// 16-bit field cannot hold more than 65,535 bytes); check it against colourField.
CodedFrame ReadCodedFrame(const std::uint8_t* payload, std::size_t length);

// Rebuilds the picture in handheld colour words from `reference`; false when a move reads
// outside the picture.
bool RebuildPicture(const CodedFrame& frame, const std::uint16_t* reference, std::uint16_t* out);

}  // namespace tarn::codec::testing
