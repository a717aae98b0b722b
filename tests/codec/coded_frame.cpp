#include "tests/codec/coded_frame.h"

#include <algorithm>

namespace tarn::codec::testing {
namespace {

constexpr int kWidth = 240;
constexpr int kPixels = 240 * 160;

class Reader {
 public:
  Reader(const std::uint8_t* payload, std::size_t length, CodedFrame& frame)
      : payload_(payload), length_(length), frame_(frame) {}

  void ReadAll() {
    if (length_ < 4) return Fail("shorter than its header");
    frame_.codeBytes = payload_[0] | payload_[1] << 8;
    frame_.colourField = payload_[2] | payload_[3] << 8;
    if (frame_.codeBytes % 4 != 0) return Fail("K is not whole words");
    if (4 + frame_.codeBytes > length_) return Fail("K runs past the payload");
    // The colour field holds the low 16 bits; the vector section's size tells the rest.
    colours_ = 4 + frame_.codeBytes;
    for (int block = 0; block < 600 && frame_.error.empty(); ++block)
      ReadNode(block, (block % 30) * 8, (block / 30) * 8, 8, 8);
    if (!frame_.error.empty()) return;
    frame_.colourBytes = frame_.coloursRead * 2;
    vectors_ = colours_ + frame_.colourBytes;
    if (vectors_ + frame_.vectorsRead > length_) return Fail("vectors run out");
    frame_.vectorBytes = length_ - vectors_;
    for (CodedNode& node : frame_.nodes) {
      if (node.vector == -2) node.vector = payload_[vectors_ + vectorIndex_++];
    }
    for (std::size_t bit = frame_.bitsRead; bit < frame_.codeBytes * 8; ++bit)
      if (BitAt(bit)) frame_.paddingZero = false;
  }

 private:
  void Fail(const char* why) {
    if (frame_.error.empty()) frame_.error = why;
  }

  int BitAt(std::size_t index) const {
    const std::uint8_t* word = payload_ + 4 + (index / 32) * 4;
    const std::uint32_t value = word[0] | word[1] << 8 | word[2] << 16 | std::uint32_t{word[3]} << 24;
    return static_cast<int>((value >> (31 - index % 32)) & 1);
  }
  int Bit() {
    if (frame_.bitsRead >= frame_.codeBytes * 8) {
      Fail("code bits run out");
      return 0;
    }
    return BitAt(frame_.bitsRead++);
  }
  std::uint16_t Colour() {
    const std::size_t at = colours_ + 2 * frame_.coloursRead++;
    if (at + 2 > length_) {
      Fail("colours run out");
      return 0;
    }
    return static_cast<std::uint16_t>(payload_[at] | payload_[at + 1] << 8);
  }
  // Vectors come after all colours; their place is known once the tree is read.
  int Vector() {
    ++frame_.vectorsRead;
    return -2;
  }

  void ReadNode(int block, int x, int y, int w, int h) {
    CodedNode node{block, x, y, w, h, NodeKind::kKeep};
    const int s = Bit(), t = Bit();
    if (w * h == 2) {
      if (s == 0) {
        node.kind = t == 0 ? NodeKind::kKeep : NodeKind::kMove;
      } else if (t == 0) {
        node.kind = NodeKind::kMoveWithOffset;
      } else {
        node.kind = Bit() == 0 ? NodeKind::kFill : NodeKind::kTwoColours;
      }
    } else if (s == 0) {
      node.kind = t == 0 ? NodeKind::kKeep : NodeKind::kMove;
    } else if (t == 1) {
      node.kind = Bit() == 1 ? NodeKind::kFill : NodeKind::kMoveWithOffset;
    } else {
      node.kind = NodeKind::kSplit;
    }
    if (node.kind == NodeKind::kMove || node.kind == NodeKind::kMoveWithOffset) node.vector = Vector();
    if (node.kind == NodeKind::kFill || node.kind == NodeKind::kMoveWithOffset) node.colours[0] = Colour();
    if (node.kind == NodeKind::kTwoColours) {
      node.colours[0] = Colour();
      node.colours[1] = Colour();
    }
    if (node.kind != NodeKind::kSplit) {
      frame_.nodes.push_back(node);
      return;
    }
    bool leftRight = w == 1 ? false : h == 1 ? true : false;
    if (w > 1 && h > 1) node.direction = Bit(), leftRight = node.direction == 1;
    frame_.nodes.push_back(node);
    if (leftRight) {
      ReadNode(block, x, y, w / 2, h);
      ReadNode(block, x + w / 2, y, w / 2, h);
    } else {
      ReadNode(block, x, y, w, h / 2);
      ReadNode(block, x, y + h / 2, w, h / 2);
    }
  }

  const std::uint8_t* payload_;
  std::size_t length_;
  CodedFrame& frame_;
  std::size_t colours_ = 0, vectors_ = 0, vectorIndex_ = 0;
};

}  // namespace

const CodedNode* CodedFrame::Find(int block, int localX, int localY, int width, int height) const {
  const int x = (block % 30) * 8 + localX, y = (block / 30) * 8 + localY;
  for (const CodedNode& node : nodes)
    if (node.block == block && node.x == x && node.y == y && node.width == width && node.height == height) return &node;
  return nullptr;
}

int CodedFrame::CountSplits(int width, int height) const {
  return static_cast<int>(std::count_if(nodes.begin(), nodes.end(), [&](const CodedNode& n) {
    return n.kind == NodeKind::kSplit && n.width == width && n.height == height;
  }));
}

CodedFrame ReadCodedFrame(const std::uint8_t* payload, std::size_t length) {
  CodedFrame frame;
  Reader(payload, length, frame).ReadAll();
  if (frame.error.empty() && frame.vectorsRead != frame.vectorBytes)
    frame.error = "vector section does not match the codes";
  return frame;
}

bool RebuildPicture(const CodedFrame& frame, const std::uint16_t* reference, std::uint16_t* out) {
  bool inside = true;
  for (const CodedNode& node : frame.nodes) {
    for (int row = 0; row < node.height; ++row) {
      for (int column = 0; column < node.width; ++column) {
        const int at = (node.y + row) * kWidth + node.x + column;
        switch (node.kind) {
          case NodeKind::kKeep:
            out[at] = reference[at];
            break;
          case NodeKind::kFill:
            out[at] = node.colours[0];
            break;
          case NodeKind::kTwoColours:
            out[at] = node.colours[row + column];
            break;
          case NodeKind::kMove:
          case NodeKind::kMoveWithOffset: {
            const int from = at + ((node.vector >> 4) - 8) * kWidth + (node.vector & 15) - 8;
            if (from < 0 || from >= kPixels) {
              inside = false;
              break;
            }
            out[at] = reference[from];
            if (node.kind == NodeKind::kMoveWithOffset) out[at] = static_cast<std::uint16_t>(out[at] + node.colours[0]);
            break;
          }
          case NodeKind::kSplit:
            break;
        }
      }
    }
  }
  return inside;
}

}  // namespace tarn::codec::testing
