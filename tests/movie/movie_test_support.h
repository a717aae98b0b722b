// Helpers for the movie tests: a private temporary folder per fixture, whole-file reads,
// hand-made payloads and a writer that runs the encoder filter's record loop.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/frame_decoder.h"
#include "codec/frame_encoder.h"
#include "formats/movie_file_writer.h"
#include "formats/record_builder.h"
#include "tests/support/temp_dir.h"

namespace tarn::movie::testing {

class TempFolderTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  const tarn::test::TempDir temp_{"tarn-movie"};
  const std::filesystem::path folder_ = temp_.path();
};

inline std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A payload that fills every 8x8 block with `colour`: codes 1,1,1 per block (1800 bits,
// K = 228), 600 colour words, no vectors.
inline std::vector<std::uint8_t> FillPayload(std::uint16_t colour) {
  constexpr std::size_t kCodeBits = 3 * 600;
  constexpr std::size_t kCodeBytes = (kCodeBits + 31) / 32 * 4;
  std::vector<std::uint8_t> payload(4 + kCodeBytes + 2 * 600, 0);
  WriteLe16(payload.data(), static_cast<std::uint16_t>(kCodeBytes));
  WriteLe16(payload.data() + 2, 2 * 600);
  for (std::size_t bit = 0; bit < kCodeBits; ++bit) {
    const std::size_t word = bit / 32;
    const std::uint32_t value = ReadLe32(payload.data() + 4 + 4 * word) | (1u << (31 - bit % 32));
    WriteLe32(payload.data() + 4 + 4 * word, value);
  }
  for (std::size_t i = 0; i < 600; ++i) WriteLe16(payload.data() + 4 + kCodeBytes + 2 * i, colour);
  return payload;
}

inline std::vector<std::uint8_t> AllKeepPayload() {
  std::vector<std::uint8_t> payload(codec::kAllKeepPayloadBytes);
  payload.resize(codec::WriteAllKeepPayload(payload.data()));
  return payload;
}

// Appends records the way the encoder filter does: build in place, mask, one write, unmask.
class RecordSink {
 public:
  RecordSink() : buffer_(kRecordBufferBytes, 0) {}

  std::uint8_t* Payload() { return buffer_.data() + kLengthWordBytes; }
  std::vector<std::uint8_t>& Buffer() { return buffer_; }

  // Builds record `records()` from the payload already at Payload(); writes it to `writer`.
  RecordLayout Append(MovieFileWriter& writer, std::size_t payloadBytes) {
    const RecordLayout layout = BuildRecord(buffer_.data(), payloadBytes, records_);
    TogglePayloadMask(buffer_.data());
    const int error = writer.AppendRecord(buffer_.data(), layout.FileBytes());
    TogglePayloadMask(buffer_.data());
    EXPECT_EQ(error, 0) << "record " << records_;
    ++records_;
    return layout;
  }

  RecordLayout Append(MovieFileWriter& writer, const std::vector<std::uint8_t>& payload) {
    std::copy(payload.begin(), payload.end(), Payload());
    return Append(writer, payload.size());
  }

  std::uint64_t records() const { return records_; }

 private:
  std::vector<std::uint8_t> buffer_;
  std::uint64_t records_ = 0;
};

}  // namespace tarn::movie::testing
