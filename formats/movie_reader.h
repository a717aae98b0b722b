// Walks the records of a movie file with every length checked against the file, and hands
// out each record as the encoder produced it (length word, then the unmasked payload).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/byte_source.h"
#include "formats/movie_header.h"

namespace tarn::movie {

enum class AppendixState {
  kNotExpected,  // this record index carries no appendix
  kMissing,      // it should, but the body is too short to hold one
  kPresent,
};

struct RecordInfo {
  std::uint64_t index = 0;    // 0 for the first record
  std::uint64_t offset = 0;   // file offset of the length word
  std::size_t bodyBytes = 0;  // N
  // N = 1200: the frame type this system never writes. Its body is not examined and the
  // player leaves the picture as it was.
  bool reservedType = false;

  std::size_t payloadBytes = 0;  // P: N without the appendix
  // Payload sections (K, M, V); meaningful when payloadProblem is empty.
  std::size_t codeBytes = 0;
  std::size_t colourBytes = 0;
  std::size_t vectorBytes = 0;
  // Why the payload's own fields cannot describe a frame; empty when they can.
  std::string payloadProblem;

  AppendixState appendix = AppendixState::kNotExpected;
  std::uint16_t storedMaskWord = 0;    // R as stored after the appendix words
  std::uint16_t expectedMaskWord = 0;  // R that P gives
  bool tableMatches = false;           // every appendix word XOR R is the table's word

  bool MaskWordMatches() const { return appendix == AppendixState::kPresent && storedMaskWord == expectedMaskWord; }
};

enum class ReadStatus {
  kRecord,  // Record() and RecordBytes() describe the next record
  kEnd,     // the last record ended exactly at the end of the file
  kCut,     // the file ends inside a record, or could not be read: CutProblem() says where
};

class MovieReader {
 public:
  // Reads and checks the header. The source must outlive the reader.
  explicit MovieReader(ByteSource& source);

  const HeaderInfo& Header() const { return header_; }
  std::uint64_t FileSize() const { return fileSize_; }

  // Moves to the next record. After kEnd or kCut it keeps returning that status.
  ReadStatus Next();

  const RecordInfo& Record() const { return record_; }
  // The current record: length word, then the body with the payload's first two bytes unmasked.
  std::span<const std::uint8_t> RecordBytes() const;
  const std::string& CutProblem() const { return cutProblem_; }

 private:
  ReadStatus Cut(std::string problem);
  void DescribePayload();
  void CheckAppendix();

  ByteSource& source_;
  std::uint64_t fileSize_;
  HeaderInfo header_;
  std::vector<std::uint8_t> buffer_;  // one record at a time, allocated once
  std::uint64_t nextOffset_ = kHeaderBytes;
  std::uint64_t nextIndex_ = 0;
  ReadStatus status_ = ReadStatus::kRecord;
  RecordInfo record_;
  std::string cutProblem_;
};

}  // namespace tarn::movie
