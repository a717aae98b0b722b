#include "formats/movie_header.h"

#include <algorithm>
#include <cstring>

namespace tarn::movie {
namespace {

constexpr char kMagic[4] = {'T', 'a', 'r', 'n'};
constexpr char kTag[4] = {'M', 'O', 'V', 'I'};

bool IsAllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// The first fault of a header that is not blank, or an empty text.
std::string FindHeaderFault(std::span<const std::uint8_t> bytes, const HeaderInfo& info, std::uint64_t fileSize) {
  if (std::memcmp(bytes.data(), kMagic, 4) != 0) return "the header does not begin with \"Tarn\"";
  if (std::memcmp(bytes.data() + 8, kTag, 4) != 0) return "the header has no \"MOVI\" tag at offset 8";
  if (info.reserved != 0)
    return "the header's reserved word at offset 12 is " + std::to_string(info.reserved) + ", not 0";
  if (info.constant != kHeaderConstant)
    return "the header's word at offset 16 is " + std::to_string(info.constant) + ", not 5";
  if (!IsAllZero(bytes.subspan(20))) return "the header's reserved bytes 20-511 are not zero";
  if (info.fileLength != fileSize) {
    return "the header gives a file length of " + std::to_string(info.fileLength) + " bytes but the file has " +
           std::to_string(fileSize) + (info.fileLength > fileSize ? " (the file was cut)" : "");
  }
  return {};
}

}  // namespace

HeaderBytes MakeMovieHeader(std::uint32_t fileLength) {
  HeaderBytes header{};
  std::memcpy(header.data(), kMagic, 4);
  WriteLe32(header.data() + 4, fileLength);
  std::memcpy(header.data() + 8, kTag, 4);
  WriteLe32(header.data() + 12, 0);
  WriteLe32(header.data() + 16, kHeaderConstant);
  return header;
}

HeaderInfo ParseMovieHeader(std::span<const std::uint8_t> bytes, std::uint64_t fileSize) {
  HeaderInfo info;
  info.signature = (bytes.size() >= 4 && std::memcmp(bytes.data(), kMagic, 4) == 0) ||
                   (bytes.size() >= 12 && std::memcmp(bytes.data() + 8, kTag, 4) == 0);
  if (bytes.size() < kHeaderBytes) {
    info.problem = "the file has " + std::to_string(bytes.size()) + " bytes, fewer than the 512-byte header";
    return info;
  }
  bytes = bytes.first(kHeaderBytes);
  if (IsAllZero(bytes)) {
    info.state = HeaderState::kUnfinished;
    return info;
  }
  info.fileLength = ReadLe32(bytes.data() + 4);
  info.reserved = ReadLe32(bytes.data() + 12);
  info.constant = ReadLe32(bytes.data() + 16);
  info.problem = FindHeaderFault(bytes, info, fileSize);
  info.state = info.problem.empty() ? HeaderState::kFinished : HeaderState::kDamaged;
  return info;
}

}  // namespace tarn::movie
