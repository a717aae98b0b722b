#include "codec/frame_decoder.h"

#include "codec/decode_sections.h"
#include "codec/decode_tree.h"

namespace tarn::codec {
namespace {

constexpr std::size_t kLengthWordBytes = 2;
constexpr std::size_t kSectionHeaderBytes = 4;  // K and M

std::size_t ReadLe16(const std::uint8_t* at) {
  return static_cast<std::size_t>(at[0]) | static_cast<std::size_t>(at[1]) << 8;
}

}  // namespace

DecodeStatus DecodeFrame(const std::uint8_t* record, std::size_t recordSize, const std::uint16_t* reference,
                         std::uint16_t* target) {
  if (record == nullptr || recordSize < kLengthWordBytes + kSectionHeaderBytes) {
    return DecodeStatus::kDamaged;
  }
  const std::size_t payloadBytes = ReadLe16(record);
  if (payloadBytes < kSectionHeaderBytes || payloadBytes > recordSize - kLengthWordBytes) {
    return DecodeStatus::kDamaged;
  }
  const std::uint8_t* payload = record + kLengthWordBytes;
  const std::size_t codeBytes = ReadLe16(payload);
  const std::size_t colourBytes = ReadLe16(payload + 2);
  if (codeBytes % 4 != 0 || colourBytes % 2 != 0 || kSectionHeaderBytes + codeBytes + colourBytes > payloadBytes) {
    return DecodeStatus::kDamaged;
  }
  const std::uint8_t* codes = payload + kSectionHeaderBytes;
  const std::uint8_t* colours = codes + codeBytes;
  const std::uint8_t* vectors = colours + colourBytes;
  const std::size_t vectorBytes = payloadBytes - kSectionHeaderBytes - codeBytes - colourBytes;

  decode::TreeDecoder tree(decode::CodeBitReader(codes, codeBytes), decode::ColourCursor(colours, colourBytes),
                           decode::VectorCursor(vectors, vectorBytes), reference, target);
  for (int blockRow = 0; blockRow < kBlocksDown; ++blockRow) {
    for (int blockColumn = 0; blockColumn < kBlocksAcross; ++blockColumn) {
      const std::ptrdiff_t at =
          static_cast<std::ptrdiff_t>(blockRow) * kBlockSize * kScreenWidth + blockColumn * kBlockSize;
      if (!tree.Block(at)) return DecodeStatus::kDamaged;
    }
  }
  return DecodeStatus::kOk;
}

}  // namespace tarn::codec
