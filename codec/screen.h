// Picture geometry and colour words shared by every part of the codec.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "the movie format and the codec buffers are little-endian");

namespace tarn::codec {

// The handheld's screen.
inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 160;
inline constexpr int kBlockSize = 8;
inline constexpr int kBlocksAcross = kScreenWidth / kBlockSize;  // 30
inline constexpr int kBlocksDown = kScreenHeight / kBlockSize;   // 20
inline constexpr int kBlockCount = kBlocksAcross * kBlocksDown;  // 600

// Prepared picture and reference copy: blue, green, red bytes, 720-byte rows, top row first.
inline constexpr std::size_t kRgbStride = kScreenWidth * 3;
inline constexpr std::size_t kRgbPictureBytes = kRgbStride * kScreenHeight;  // 115,200

// Reference picture: one handheld colour word per pixel, 480-byte rows, top row first.
inline constexpr std::size_t kWordStride = kScreenWidth * 2;
inline constexpr std::size_t kReferenceBytes = kWordStride * kScreenHeight;  // 76,800
inline constexpr std::size_t kReferencePixels = kReferenceBytes / 2;         // 38,400

// Handheld colour word: red in bits 0-4, green in 5-9, blue in 10-14, bit 15 zero.
// The codec keeps the top five bits of each 8-bit channel.
constexpr std::uint16_t PackColour(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return static_cast<std::uint16_t>(((blue >> 3) << 10) | ((green >> 3) << 5) | (red >> 3));
}

}  // namespace tarn::codec
