#include "formats/movie_reader.h"

#include <algorithm>

#include "formats/appendix_tables.h"

namespace tarn::movie {
namespace {

std::string RecordPlace(std::uint64_t index, std::uint64_t offset) {
  return "record " + std::to_string(index) + " at offset " + std::to_string(offset);
}

}  // namespace

MovieReader::MovieReader(ByteSource& source)
    : source_(source), fileSize_(source.Size()), buffer_(kLengthWordBytes + kMaxBodyBytes) {
  std::vector<std::uint8_t> header(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize_, kHeaderBytes)));
  if (!source_.ReadAt(0, header)) {
    header_.problem = "the header cannot be read";
    return;
  }
  header_ = ParseMovieHeader(header, fileSize_);
}

ReadStatus MovieReader::Cut(std::string problem) {
  cutProblem_ = std::move(problem);
  status_ = ReadStatus::kCut;
  return status_;
}

ReadStatus MovieReader::Next() {
  if (status_ != ReadStatus::kRecord) return status_;
  if (nextOffset_ >= fileSize_) {
    status_ = ReadStatus::kEnd;
    return status_;
  }
  const std::uint64_t offset = nextOffset_;
  if (fileSize_ - offset < kLengthWordBytes) {
    return Cut("the file ends inside the length word of " + RecordPlace(nextIndex_, offset));
  }
  if (!source_.ReadAt(offset, std::span(buffer_).first(kLengthWordBytes))) {
    return Cut("cannot read the length word of " + RecordPlace(nextIndex_, offset));
  }
  const std::size_t bodyBytes = ReadLe16(buffer_.data());
  const std::uint64_t available = fileSize_ - offset - kLengthWordBytes;
  if (bodyBytes > available) {
    return Cut("the file ends inside " + RecordPlace(nextIndex_, offset) + ": its body has " +
               std::to_string(bodyBytes) + " bytes, the file " + std::to_string(available) + " more");
  }
  if (!source_.ReadAt(offset + kLengthWordBytes, std::span(buffer_).subspan(kLengthWordBytes, bodyBytes))) {
    return Cut("cannot read the body of " + RecordPlace(nextIndex_, offset));
  }
  if (bodyBytes > 0) buffer_[kLengthWordBytes] ^= kMaskByte0;
  if (bodyBytes > 1) buffer_[kLengthWordBytes + 1] ^= kMaskByte1;

  record_ = RecordInfo{};
  record_.index = nextIndex_++;
  record_.offset = offset;
  record_.bodyBytes = bodyBytes;
  record_.reservedType = bodyBytes == kReservedBodyBytes;
  nextOffset_ = offset + kLengthWordBytes + bodyBytes;
  if (!record_.reservedType) {
    CheckAppendix();
    DescribePayload();
  } else {
    record_.payloadBytes = bodyBytes;
  }
  return status_;
}

void MovieReader::CheckAppendix() {
  record_.payloadBytes = record_.bodyBytes;
  const AppendixSlot slot = AppendixSlotFor(record_.index);
  if (slot.table == AppendixTable::kNone) return;
  if (record_.bodyBytes < kAppendixBytes) {
    record_.appendix = AppendixState::kMissing;
    return;
  }
  record_.appendix = AppendixState::kPresent;
  record_.payloadBytes = record_.bodyBytes - kAppendixBytes;
  const std::uint8_t* words = buffer_.data() + kLengthWordBytes + record_.payloadBytes;
  record_.storedMaskWord = ReadLe16(words + 2 * kAppendixWords);
  record_.expectedMaskWord = AppendixMaskWord(record_.payloadBytes);
  record_.tableMatches = true;
  for (std::size_t j = 0; j < kAppendixWords && record_.tableMatches; ++j) {
    const auto plain = static_cast<std::uint16_t>(ReadLe16(words + 2 * j) ^ record_.storedMaskWord);
    record_.tableMatches = plain == AppendixTableWord(slot.table, slot.block, j);
  }
}

void MovieReader::DescribePayload() {
  const std::size_t payloadBytes = record_.payloadBytes;
  if (payloadBytes < 4) {
    record_.payloadProblem = "the payload has " + std::to_string(payloadBytes) + " bytes, too few for K and M";
    return;
  }
  const std::uint8_t* payload = buffer_.data() + kLengthWordBytes;
  record_.codeBytes = ReadLe16(payload);
  record_.colourBytes = ReadLe16(payload + 2);
  if (4 + record_.codeBytes + record_.colourBytes > payloadBytes) {
    record_.payloadProblem = "K = " + std::to_string(record_.codeBytes) +
                             " and M = " + std::to_string(record_.colourBytes) + " reach past the " +
                             std::to_string(payloadBytes) + "-byte payload";
    return;
  }
  record_.vectorBytes = payloadBytes - 4 - record_.codeBytes - record_.colourBytes;
  if (record_.codeBytes % 4 != 0) {
    record_.payloadProblem = "K = " + std::to_string(record_.codeBytes) + " is not a whole number of 32-bit words";
  } else if (record_.colourBytes % 2 != 0) {
    record_.payloadProblem = "M = " + std::to_string(record_.colourBytes) + " is not a whole number of colour words";
  }
}

std::span<const std::uint8_t> MovieReader::RecordBytes() const {
  if (status_ != ReadStatus::kRecord) return {};
  return std::span<const std::uint8_t>(buffer_).first(kLengthWordBytes + record_.bodyBytes);
}

}  // namespace tarn::movie
