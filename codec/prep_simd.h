// SSE2 helpers shared by the picture preparation loops (x86-64 always has SSE2).
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace tarn::codec::simd {

// Four (B, G, R, 0) pixels to twelve bytes: each 64-bit lane becomes six bytes and two zeros.
inline __m128i PackPixelPairs(__m128i pixels) {
  const __m128i evenPixel = _mm_set1_epi64x(0x0000000000FFFFFF);
  const __m128i oddPixel = _mm_set1_epi64x(0x0000FFFFFF000000);
  return _mm_or_si128(_mm_and_si128(pixels, evenPixel), _mm_and_si128(_mm_srli_epi64(pixels, 8), oddPixel));
}

// Eight pixels from blue and green bytes (lanes 0-7 and 8-15 of `blueGreen`) and red bytes
// (lanes 0-7 of `red`) to 24 bytes of B, G, R at `out`. The two bytes after them are
// overwritten with zeros: the caller writes them afterwards.
inline void StoreEightPixels(__m128i blueGreen, __m128i red, std::uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i interleaved = _mm_unpacklo_epi8(blueGreen, _mm_srli_si128(blueGreen, 8));
  const __m128i redZero = _mm_unpacklo_epi8(red, zero);
  const __m128i low = PackPixelPairs(_mm_unpacklo_epi16(interleaved, redZero));
  const __m128i high = PackPixelPairs(_mm_unpackhi_epi16(interleaved, redZero));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), low);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 6), _mm_srli_si128(low, 8));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), high);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 18), _mm_srli_si128(high, 8));
}

}  // namespace tarn::codec::simd

#endif
