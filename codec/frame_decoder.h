// The player's side of the block coder, and the upkeep of the encoder's reference picture.
//
// A record is a 16-bit little-endian length N followed by N bytes: the payload (K, M, K bytes
// of code bits in 32-bit words, M bytes of colour words, the vector bytes) and, in some
// records, an appendix that the decoder never reads. The picture is 600 blocks of 8x8 pixels
// in raster order, each a split tree whose nodes keep, move, fill, move-and-add or split.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/screen.h"

namespace tarn::codec {

enum class DecodeStatus {
  kOk,
  kDamaged,  // the record cannot be decoded; the target is left unspecified
};

// Decodes one record (16-bit little-endian length, then the unmasked payload) against
// `reference` (kReferencePixels words) into `target` (kReferencePixels words, not the
// reference). `recordSize` bounds every read: a record whose sections, codes or vectors
// point outside the record or the picture is reported as damaged, never read past.
//
// Damaged means any of: fewer than 6 bytes; a length word beyond `recordSize`; K not a
// multiple of 4 or M not a multiple of 2; K and M running past the length word; a code,
// colour or vector needed after its section has run dry; a motion vector whose source
// region leaves the 76,800-byte reference (a source that runs round a row end is fine:
// vectors displace the linear buffer). Such a frame is rejected whole, never clamped:
// callers keep the picture they had. Nothing past the vector section is read, so the
// appendix (and the carried byte of a 1201-byte record) are harmless. A length word of
// 1200 marks the other frame type, which this decoder does not read: callers skip it.
//
// Offset additions are two independent 16-bit additions modulo 65536 per pixel pair even
// where pixels have bit 15 set, so no carry crosses from one pixel into its neighbour.
DecodeStatus DecodeFrame(const std::uint8_t* record, std::size_t recordSize, const std::uint16_t* reference,
                         std::uint16_t* target);

// Widens the reference into BGR bytes, top row first (the motion search's reference copy).
void ReferenceToRgb(const std::uint16_t* reference, std::uint8_t* copy);
// The same widening written bottom row first: the 24-bit preview that goes downstream.
void ReferenceToPreview(const std::uint16_t* reference, std::uint8_t* preview);
// Both at once: the reference widened once, its rows copied into the preview in reverse order.
void ReferenceToRgbAndPreview(const std::uint16_t* reference, std::uint8_t* copy, std::uint8_t* preview);
// Black reference and reference copy: the next frame is predicted from nothing.
void ResetReference(std::uint16_t* reference, std::uint8_t* copy);

}  // namespace tarn::codec
