#include "formats/record_builder.h"

#include "formats/appendix_tables.h"

namespace tarn::movie {
namespace {

std::size_t AppendixBytesFor(std::uint64_t recordIndex) { return HasAppendix(recordIndex) ? kAppendixBytes : 0; }

// Writes the 2048 table words XOR R, then R, from `out`.
void WriteAppendix(std::uint8_t* out, AppendixSlot slot, std::uint16_t maskWord) {
  for (std::size_t j = 0; j < kAppendixWords; ++j) {
    WriteLe16(out + 2 * j, static_cast<std::uint16_t>(AppendixTableWord(slot.table, slot.block, j) ^ maskWord));
  }
  WriteLe16(out + 2 * kAppendixWords, maskWord);
}

}  // namespace

RecordLayout BuildRecord(std::uint8_t* record, std::size_t encodedBytes, std::uint64_t recordIndex) {
  std::uint8_t* payload = record + kLengthWordBytes;
  RecordLayout layout;
  layout.payloadBytes = encodedBytes == kReservedBodyBytes ? kReservedBodyBytes + 1 : encodedBytes;

  // A 16-bit length cannot describe a longer body: a noise frame after the last retry can
  // exceed it. Such a frame is stored as 600 keep codes, so the file stays readable and the
  // handheld repeats its picture.
  if (layout.payloadBytes + AppendixBytesFor(recordIndex) > kMaxBodyBytes) {
    layout.payloadBytes = codec::WriteAllKeepPayload(payload);
    layout.replacedByAllKeep = true;
  }

  layout.bodyBytes = layout.payloadBytes;
  const AppendixSlot slot = AppendixSlotFor(recordIndex);
  if (slot.table != AppendixTable::kNone) {
    WriteAppendix(payload + layout.payloadBytes, slot, AppendixMaskWord(layout.payloadBytes));
    layout.bodyBytes += kAppendixBytes;
    layout.hasAppendix = true;
  }
  WriteLe16(record, static_cast<std::uint16_t>(layout.bodyBytes));
  return layout;
}

void TogglePayloadMask(std::uint8_t* record) {
  record[kLengthWordBytes] ^= kMaskByte0;
  record[kLengthWordBytes + 1] ^= kMaskByte1;
}

}  // namespace tarn::movie
