// Copy, fill and offset-add of one region, unrolled for each region shape.
//
// Every loop here runs over a compile-time count and is expanded into straight-line code; a
// region's row is one move (and, for the offset, one 16-bit lane addition where the processor
// has them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "codec/screen.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarn::codec::decode {

inline constexpr std::ptrdiff_t kRowPixels = kScreenWidth;

// Calls body(std::integral_constant<int, i>) for i = 0 .. N-1, expanded at compile time.
template <int N, typename Body>
inline void Unrolled(Body&& body) {
  [&]<int... I>(std::integer_sequence<int, I...>) { (body(std::integral_constant<int, I>{}), ...); }
  (std::make_integer_sequence<int, N>{});
}

inline std::uint32_t LoadPair(const std::uint16_t* at) {
  std::uint32_t pair;
  std::memcpy(&pair, at, sizeof pair);
  return pair;
}

inline void StorePair(std::uint16_t* at, std::uint32_t pair) { std::memcpy(at, &pair, sizeof pair); }

inline std::uint32_t SplatPair(std::uint16_t colour) { return colour * 0x10001u; }

// Two independent 16-bit additions modulo 65536 in one 32-bit word. A plain 32-bit addition
// is not enough: pixels of a damaged or foreign stream (or results of earlier offset adds)
// may have bit 15 set, and the carry out of the low pixel must not reach the high one.
inline std::uint32_t AddPairLanes(std::uint32_t pixels, std::uint32_t offsets) {
  const std::uint32_t low15 = (pixels & 0x7FFF7FFFu) + (offsets & 0x7FFF7FFFu);
  return low15 ^ ((pixels ^ offsets) & 0x80008000u);
}

// A row of W pixels plus `offset` in every 16-bit lane, modulo 65536.
template <int W>
[[gnu::always_inline]] inline void AddRow(std::uint16_t* to, const std::uint16_t* from, std::uint16_t offset) {
#if defined(__SSE2__)
  if constexpr (W == 8 || W == 4) {
    const __m128i offsets = _mm_set1_epi16(static_cast<short>(offset));
    if constexpr (W == 8) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                       _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), offsets));
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(to),
                       _mm_add_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from)), offsets));
    }
    return;
  }
#endif
  if constexpr (W >= 2) {
    const std::uint32_t offsets = SplatPair(offset);
    Unrolled<W / 2>([&](auto pair) { StorePair(to + 2 * pair, AddPairLanes(LoadPair(from + 2 * pair), offsets)); });
  } else {
    *to = static_cast<std::uint16_t>(*from + offset);
  }
}

template <int W, int H>
struct RegionOps {
  static_assert((W == 1 || W == 2 || W == 4 || W == 8) && (H == 1 || H == 2 || H == 4 || H == 8));
  // A row is one move of 2, 4, 8 or 16 bytes; target and source are different pictures.
  static constexpr std::size_t kRowBytes = W * sizeof(std::uint16_t);

  [[gnu::always_inline]] static void Copy(std::uint16_t* target, const std::uint16_t* source) {
    Unrolled<H>([&](auto row) { std::memcpy(target + row * kRowPixels, source + row * kRowPixels, kRowBytes); });
  }

  [[gnu::always_inline]] static void Fill(std::uint16_t* target, std::uint16_t colour) {
    std::uint16_t line[W];
    Unrolled<W>([&](auto x) { line[x] = colour; });
    Unrolled<H>([&](auto row) { std::memcpy(target + row * kRowPixels, line, kRowBytes); });
  }

  [[gnu::always_inline]] static void CopyAdd(std::uint16_t* target, const std::uint16_t* source, std::uint16_t offset) {
    Unrolled<H>([&](auto row) { AddRow<W>(target + row * kRowPixels, source + row * kRowPixels, offset); });
  }
};

}  // namespace tarn::codec::decode
