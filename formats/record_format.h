// Layout of the handheld's movie file (.tmv): a 512-byte header, then one record per frame.
// docs/movie-format.md describes the whole layout.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarn::movie {

inline constexpr std::size_t kHeaderBytes = 512;

// A record is a 16-bit little-endian body length N followed by N body bytes.
inline constexpr std::size_t kLengthWordBytes = 2;
inline constexpr std::size_t kMaxBodyBytes = 0xFFFF;

// A record whose length word is 1200 is a frame type this system never writes: a 1200-byte
// payload is stored as 1201 bytes, the byte after it carried along.
inline constexpr std::size_t kReservedBodyBytes = 1200;

// The first two payload bytes (the low and high byte of K) are stored XORed with these.
inline constexpr std::uint8_t kMaskByte0 = 0x5B;
inline constexpr std::uint8_t kMaskByte1 = 0x3E;

// Records 25-32 carry blocks 0-7 of appendix table A, records 35-42 blocks 0-7 of table B:
// 2048 words XOR R, then R.
inline constexpr std::size_t kAppendixWords = 2048;
inline constexpr std::size_t kAppendixBytes = kAppendixWords * 2 + 2;  // 4098
inline constexpr std::uint64_t kFirstTableARecord = 25;
inline constexpr std::uint64_t kFirstTableBRecord = 35;
inline constexpr std::uint64_t kAppendixBlocksPerTable = 8;

// After every 600th record the player (and the encoder's closed loop) predicts from black.
inline constexpr std::uint64_t kRecordsPerReferenceReset = 600;

enum class AppendixTable { kNone, kA, kB };

struct AppendixSlot {
  AppendixTable table = AppendixTable::kNone;
  std::size_t block = 0;  // 0-7 within the table
};

constexpr AppendixSlot AppendixSlotFor(std::uint64_t recordIndex) {
  if (recordIndex >= kFirstTableARecord && recordIndex < kFirstTableARecord + kAppendixBlocksPerTable) {
    return {AppendixTable::kA, static_cast<std::size_t>(recordIndex - kFirstTableARecord)};
  }
  if (recordIndex >= kFirstTableBRecord && recordIndex < kFirstTableBRecord + kAppendixBlocksPerTable) {
    return {AppendixTable::kB, static_cast<std::size_t>(recordIndex - kFirstTableBRecord)};
  }
  return {};
}

constexpr bool HasAppendix(std::uint64_t recordIndex) {
  return AppendixSlotFor(recordIndex).table != AppendixTable::kNone;
}

// The appendix mask word R for a payload of P bytes: the first value of the C runtime's
// generator seeded with P (x = P; x = x * 214013 + 2531011 mod 2^32; R = bits 16-30 of x).
constexpr std::uint16_t AppendixMaskWord(std::size_t payloadBytes) {
  std::uint32_t x = static_cast<std::uint32_t>(payloadBytes);
  x = x * 214013u + 2531011u;
  return static_cast<std::uint16_t>((x >> 16) & 0x7FFFu);
}

constexpr std::uint16_t ReadLe16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}
constexpr std::uint32_t ReadLe32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}
constexpr void WriteLe16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}
constexpr void WriteLe32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace tarn::movie
