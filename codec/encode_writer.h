// Walks the decision tables block by block and writes the codes, colours and vectors of a
// frame; then packs them into the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/encode_analysis.h"

namespace tarn::codec {

class CodeWriter {
 public:
  CodeWriter();  // sizes the lists for a frame split down to single pixels

  void Clear();
  void WriteFrame(const FrameAnalysis& analysis);
  // Packs the lists into `payload` (room for kMaxPayloadBytes) and returns its length.
  std::size_t Pack(std::uint8_t* payload) const;

  std::size_t BitCount() const { return bitCount_; }
  std::size_t ColourCount() const { return colourCount_; }
  std::size_t VectorCount() const { return vectorCount_; }

 private:
  void WriteSquare(const FrameAnalysis& analysis, TableId id, int block, int region);
  void WriteHalf(const FrameAnalysis& analysis, TableId id, int block, int region);
  void WritePair(const RegionTable& table, int block, int region);
  // The codes every node of levels 0 to 4 shares; false for a split.
  bool WriteLeaf(const RegionTable& table, int block, int region);

  void PutBit(int bit) { bits_[bitCount_++] = static_cast<std::uint8_t>(bit); }
  void PutColour(const std::uint8_t* blueGreenRed);
  void PutVector(std::uint8_t vector) { vectors_[vectorCount_++] = vector; }

  std::vector<std::uint8_t> bits_;     // one entry per code bit, in order
  std::vector<std::uint8_t> colours_;  // blue, green, red triples
  std::vector<std::uint8_t> vectors_;
  std::size_t bitCount_ = 0;
  std::size_t colourCount_ = 0;
  std::size_t vectorCount_ = 0;
};

}  // namespace tarn::codec
