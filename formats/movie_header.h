// The 512-byte movie header: written last, when the stream stops; zero until then.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "formats/record_format.h"

namespace tarn::movie {

inline constexpr std::uint32_t kHeaderConstant = 5;  // the value at offset 16 of every header

using HeaderBytes = std::array<std::uint8_t, kHeaderBytes>;

// "Tarn", file length (header included), "MOVI", 0, 5, zeros.
HeaderBytes MakeMovieHeader(std::uint32_t fileLength);

enum class HeaderState {
  kFinished,    // a well-formed header whose length matches the file
  kUnfinished,  // still zero: the writer never stopped cleanly (records may still be readable)
  kDamaged,     // anything else; `problem` says what
};

struct HeaderInfo {
  HeaderState state = HeaderState::kDamaged;
  std::uint32_t fileLength = 0;  // as stored
  std::uint32_t reserved = 0;    // offset 12
  std::uint32_t constant = 0;    // offset 16
  std::string problem;
  // "Tarn" at offset 0 or "MOVI" at offset 8: a movie file, damaged or not. Without either
  // (and not zero) the file is something else.
  bool signature = false;
};

// Checks the header against the size of the whole file. `bytes` may be shorter than 512 when
// the file is.
HeaderInfo ParseMovieHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize);

}  // namespace tarn::movie
