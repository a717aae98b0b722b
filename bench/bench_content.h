// Synthetic picture sequences for the codec benchmarks (and the codec's closed-loop tests).
//
// Every sequence is a run of prepared pictures: 240x160, BGR bytes, 720-byte rows, top row
// first. The content is made with integer arithmetic only, so it is the same on every machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarn::bench {

enum class Content {
  kStill,   // one smooth, textured picture with hard edges, repeated
  kMoving,  // a slow pan over a larger picture of the same kind (2 px right, 1 px down a frame)
  kNoise,   // fresh uniform random bytes in every frame
};

const char* ContentName(Content content);

class PreparedSequence {
 public:
  PreparedSequence(Content content, int frameCount);

  int FrameCount() const { return frameCount_; }
  // Frame `index` modulo the sequence length.
  const std::uint8_t* Frame(int index) const;

 private:
  int frameCount_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace tarn::bench
