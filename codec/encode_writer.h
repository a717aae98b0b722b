// Walks the decision tables block by block and writes the codes, colours and vectors of a
// frame; then packs them into the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/encode_analysis.h"
#include "codec/screen.h"

namespace tarn::codec {

class CodeWriter {
 public:
  CodeWriter();  // sizes the lists for a frame split down to single pixels

  void Clear();
  void WriteFrame(const FrameAnalysis& analysis);
  // Packs the lists into `payload` (room for kMaxPayloadBytes) and returns its length.
  std::size_t Pack(std::uint8_t* payload) const;

 private:
  // One walk per table, so that every table's layout is known where its entries are read.
  template <TableId kId>
  void WriteSquare(const FrameAnalysis& analysis, int block, int region);
  template <TableId kId>
  void WriteHalf(const FrameAnalysis& analysis, int block, int region);
  void WritePair(std::uint8_t decision, const std::uint8_t* params);
  // The codes every node of levels 0 to 4 shares; false for a split.
  bool WriteLeaf(std::uint8_t decision, const std::uint8_t* params);

  // Appends the low `count` bits of `code`, first bit highest; whole words move to `words_`.
  void PutBits(std::uint32_t code, int count) {
    pending_ = (pending_ << count) | code;
    pendingCount_ += count;
    if (pendingCount_ >= 32) {
      pendingCount_ -= 32;
      words_[wordCount_++] = static_cast<std::uint32_t>(pending_ >> pendingCount_);
    }
  }
  void PutColour(const std::uint8_t* blueGreenRed) {
    colours_[colourCount_++] = PackColour(blueGreenRed[0], blueGreenRed[1], blueGreenRed[2]);
  }
  void PutVector(std::uint8_t vector) { vectors_[vectorCount_++] = vector; }

  std::vector<std::uint32_t> words_;    // code words, first code bit in bit 31 of the first
  std::vector<std::uint16_t> colours_;  // colour words
  std::vector<std::uint8_t> vectors_;
  std::uint64_t pending_ = 0;  // the code bits after the last whole word, in the low bits
  int pendingCount_ = 0;
  std::size_t wordCount_ = 0;
  std::size_t colourCount_ = 0;
  std::size_t vectorCount_ = 0;
};

}  // namespace tarn::codec
