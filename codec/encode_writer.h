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
  CodeWriter();  // sizes the lists for a frame split down to single pixels, and a little more

  void Clear();
  void WriteFrame(const FrameAnalysis& analysis);
  // Packs the lists into `payload` (room for kMaxPayloadBytes) and returns its length.
  std::size_t Pack(std::uint8_t* payload) const;

 private:
  std::vector<std::uint32_t> words_;    // code words, first code bit in bit 31 of the first
  std::vector<std::uint16_t> colours_;  // colour words
  std::vector<std::uint8_t> vectors_;
  std::uint64_t bits_ = 0;  // the code bits after the last whole word, the first in bit 63
  unsigned bitCount_ = 0;
  std::size_t wordCount_ = 0;
  std::size_t colourCount_ = 0;
  std::size_t vectorCount_ = 0;
};

}  // namespace tarn::codec
