// Turns the encoder's payload into a movie record, in place in the filter's record buffer.
//
// The record buffer holds the length word at bytes 0-1 and the payload from byte 2, as the
// encoder wrote it. Building a record may grow the payload by the byte after it (a 1200-byte
// payload), append the appendix, or replace a payload that a record cannot carry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/frame_encoder.h"
#include "formats/record_format.h"

namespace tarn::movie {

// What a record buffer must hold: the length word, the largest payload the encoder can write,
// and an appendix behind a payload that fits a record.
inline constexpr std::size_t kRecordBufferBytes = kLengthWordBytes + codec::kMaxPayloadBytes + kAppendixBytes;

struct RecordLayout {
  std::size_t payloadBytes = 0;  // P as stored
  std::size_t bodyBytes = 0;     // N: payload plus appendix
  bool hasAppendix = false;
  bool replacedByAllKeep = false;  // the coded payload did not fit; the picture stays as it was

  std::size_t FileBytes() const { return kLengthWordBytes + bodyBytes; }
};

// Builds record `recordIndex` (0 for the first record of the file) from the `encodedBytes`
// payload at record + 2. `record` holds kRecordBufferBytes. The payload is left unmasked;
// when the result has replacedByAllKeep, the buffer holds the all-keep payload, which is
// what the closed loop must decode so that encoder and player stay in step.
RecordLayout BuildRecord(std::uint8_t* record, std::size_t encodedBytes, std::uint64_t recordIndex);

// XORs the first two payload bytes with the mask bytes: once before the record is written,
// once after, so the buffer again holds the payload the decoder reads.
void TogglePayloadMask(std::uint8_t* record);

}  // namespace tarn::movie
