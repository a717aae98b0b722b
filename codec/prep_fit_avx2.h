// AVX2 row steps of the fitting for weights that are whole eighths (the common ratios),
// each giving the bits of the portable fixed-point row code.
#pragma once

#include <cstdint>

namespace tarn::codec {

// Samples `pixels` output pixels (rounded up to a multiple of 8: the plan is padded) as
// B, G, R, 0 words. Output pixel x reads the eight bytes at row + firstBytes[x] (its first
// and second column), weighted by the eight bytes pairWeights[8x..8x + 7]: (1 - g, g) in
// eighths for each channel, then two zeros. With a second row the result is
// (near * rowKeep + far * rowWeight) >> 6, else near >> 3.
void SampleFixedRowAvx2(const std::uint8_t* firstRow, const std::uint8_t* secondRow, const std::int32_t* firstBytes,
                        const std::uint8_t* pairWeights, int pixels, int rowKeep, int rowWeight,
                        std::uint32_t* sampled);

// The fixed-point sampling of SampleFixedRowAvx2 sixteen output pixels at a time (AVX-512
// VBMI), for column plans whose sixteen pixels' pairs lie within 128 bytes of the row.
struct WideSampleChunk {
  // Per output slot (pixels 0, 1, 4, 5, .. 12, 13 in the first register, 2, 3, 6, 7, .. in the
  // second) the byte offsets from `base` of the B, G, R pairs, then two unused bytes, and the
  // eight weight bytes of the pixel.
  std::uint8_t index[2][64];
  std::uint8_t weights[2][64];
  std::int32_t base;  // row byte the offsets count from
  int bytes;          // bytes read from `base`, at most 128
};
void SampleFixedRowAvx512(const std::uint8_t* firstRow, const std::uint8_t* secondRow, const WideSampleChunk* chunks,
                          int chunkCount, int rowKeep, int rowWeight, std::uint32_t* sampled);

// Samples `pixels` output pixels as B, G, R words (the fourth byte is left undefined) with
// weights that are not eighths, in the portable code's double arithmetic and order:
// trunc((keep * p(first) + weight * p(second)) * rowKeep + (...) * rowWeight), or without
// a second row trunc(keep * p(first) + weight * p(second)). Each sample reads four bytes at
// row + firstBytes[x] and row + secondBytes[x].
void SampleRealRowAvx2(const std::uint8_t* firstRow, const std::uint8_t* secondRow, const std::int32_t* firstBytes,
                       const std::int32_t* secondBytes, const double* keep, const double* weight, int pixels,
                       double rowKeep, double rowWeight, std::uint32_t* sampled);

// Tones the B, G, R bytes of `pixels` sampled words in place with one gather per channel;
// `toneWords` holds the 256 tone values as 32-bit words. The fourth byte of a word is left
// undefined: the saturation step never lets it reach another channel.
void ToneWordsAvx2(std::uint32_t* words, int pixels, const std::int32_t* toneWords);

// The tone (byte permutes over the 256-byte `tone` table) and then the saturation step on
// sampled words, sixteen at a time (AVX-512 VBMI); writes exactly pixels x 3 bytes at `out`.
void ToneAndSaturateAvx512(const std::uint32_t* sampled, int pixels, int shift, const std::uint8_t* tone,
                           std::uint8_t* out);

// The saturation step on toned B, G, R, 0 words; writes exactly pixels x 3 bytes at `out`.
void SaturateWordsAvx2(const std::uint32_t* toned, int pixels, int shift, std::uint8_t* out);

}  // namespace tarn::codec
