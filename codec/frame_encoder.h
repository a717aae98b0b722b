// The handheld's block coder: one prepared picture in, one payload out.
//
// A payload is K (2 bytes), M (2 bytes), K bytes of code bits in 32-bit words, M bytes of
// colour words and one byte per motion vector; see frame_decoder.h for the reading side.
//
// A frame still over the budget after the seventh coding is returned whole. Pure noise can
// then reach a colour section over 65,535 bytes, which its 16-bit field M cannot state (it
// holds the low 16 bits): such a payload is always longer than a record can carry, and the
// movie writer stores the all-keep payload in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "codec/screen.h"

namespace tarn::codec {

// Worst case of one coding: every block split down to single pixels.
inline constexpr std::size_t kMaxCodeBits = 113'400;
inline constexpr std::size_t kMaxCodeBytes = 14'176;    // K, whole 32-bit words
inline constexpr std::size_t kMaxColourBytes = 76'800;  // M
inline constexpr std::size_t kMaxVectorBytes = 19'200;  // V
inline constexpr std::size_t kMaxPayloadBytes = 4 + kMaxCodeBytes + kMaxColourBytes + kMaxVectorBytes;
// Frames over this many bytes are coded again with raised thresholds.
inline constexpr std::size_t kFrameBudget = 32'768;
// A picture equal to its reference codes as 600 keep codes.
inline constexpr std::size_t kAllKeepPayloadBytes = 156;

// What the encoder takes from the settings for every frame.
struct EncoderSettings {
  int mode = 0;            // `Mode`, 0-9: picks the mode factors and the threshold schedule
  int targetWidth = 240;   // `ImageH` x 8, 8-360
  int targetHeight = 160;  // `ImageV` x 8, 8-240
};

// How the last frame was coded; for tests and diagnostics.
struct EncodeReport {
  int codings = 0;           // 1 for the first coding, up to 7 with the retries
  int level2Splits = 0;      // split count of level 2 in the first coding
  int level3Splits = -1;     // of level 3 run with raised thresholds (over the area measure: the
                             // count so far when it passed it); -1 when it was not run
  bool level3Rerun = false;  // level 3's decisions are those of the highest thresholds
};

class FrameEncoder {
 public:
  // Allocates every table once; nothing is allocated per frame. With more than one processor
  // the analysis shares each frame's blocks with a second thread unless `helperThread` is
  // false; the coded bits are the same either way.
  explicit FrameEncoder(bool helperThread = true);
  ~FrameEncoder();
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;

  // Codes `prepared` (kRgbPictureBytes, BGR, top row first) against `referenceCopy` (the
  // reference widened to BGR bytes) and writes the payload from `payload`, which must hold
  // kMaxPayloadBytes. Returns the payload length L. Every picture is coded; the coded bits
  // depend only on the inputs, never on the processor or the compiler.
  std::size_t EncodeFrame(const std::uint8_t* prepared, const std::uint8_t* referenceCopy, std::uint8_t* payload,
                          const EncoderSettings& settings);

  const EncodeReport& LastReport() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Writes the 156-byte payload of 600 keep codes (the picture stays as it is) and returns its length.
std::size_t WriteAllKeepPayload(std::uint8_t* payload);

}  // namespace tarn::codec
