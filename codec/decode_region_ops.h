// Copy, fill and offset-add of one region, unrolled for each region shape.
//
// Every loop here runs over a compile-time count and is expanded into straight-line code.
// Regions at least two pixels wide start on an even pixel of the target and are handled as
// 32-bit pixel pairs; one-pixel columns word by word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "codec/screen.h"

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

template <int W, int H>
struct RegionOps {
  static_assert((W == 1 || W == 2 || W == 4 || W == 8) && (H == 1 || H == 2 || H == 4 || H == 8));
  static constexpr bool kPaired = W >= 2;
  static constexpr int kPairsPerRow = W / 2;

  static void Copy(std::uint16_t* target, const std::uint16_t* source) {
    Unrolled<H>([&](auto row) {
      std::uint16_t* to = target + row * kRowPixels;
      const std::uint16_t* from = source + row * kRowPixels;
      if constexpr (kPaired) {
        Unrolled<kPairsPerRow>([&](auto pair) { StorePair(to + 2 * pair, LoadPair(from + 2 * pair)); });
      } else {
        *to = *from;
      }
    });
  }

  static void Fill(std::uint16_t* target, std::uint16_t colour) {
    const std::uint32_t pair = SplatPair(colour);
    Unrolled<H>([&](auto row) {
      std::uint16_t* to = target + row * kRowPixels;
      if constexpr (kPaired) {
        Unrolled<kPairsPerRow>([&](auto index) { StorePair(to + 2 * index, pair); });
      } else {
        *to = colour;
      }
    });
  }

  static void CopyAdd(std::uint16_t* target, const std::uint16_t* source, std::uint16_t offset) {
    const std::uint32_t offsets = SplatPair(offset);
    Unrolled<H>([&](auto row) {
      std::uint16_t* to = target + row * kRowPixels;
      const std::uint16_t* from = source + row * kRowPixels;
      if constexpr (kPaired) {
        Unrolled<kPairsPerRow>(
            [&](auto pair) { StorePair(to + 2 * pair, AddPairLanes(LoadPair(from + 2 * pair), offsets)); });
      } else {
        *to = static_cast<std::uint16_t>(*from + offset);
      }
    });
  }
};

}  // namespace tarn::codec::decode
