// The player's side of the block coder, and the upkeep of the encoder's reference picture.
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
DecodeStatus DecodeFrame(const std::uint8_t* record, std::size_t recordSize,
                         const std::uint16_t* reference, std::uint16_t* target);

// Widens the reference into BGR bytes, top row first (the motion search's reference copy).
void ReferenceToRgb(const std::uint16_t* reference, std::uint8_t* copy);
// The same widening written bottom row first: the 24-bit preview that goes downstream.
void ReferenceToPreview(const std::uint16_t* reference, std::uint8_t* preview);
// Black reference and reference copy: the next frame is predicted from nothing.
void ResetReference(std::uint16_t* reference, std::uint8_t* copy);

}  // namespace tarn::codec
