// Building records in the encoder's buffer: length rules, appendix, masking, oversize frames.
#include <gtest/gtest.h>

#include <numeric>

#include "formats/appendix_tables.h"
#include "formats/movie_header.h"
#include "tests/movie/movie_test_support.h"

namespace tarn::movie {
namespace {

using testing::AllKeepPayload;

std::vector<std::uint8_t> PatternPayload(std::size_t size) {
  std::vector<std::uint8_t> payload(size);
  for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return payload;
}

struct Built {
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kRecordBufferBytes, 0xEE);
  RecordLayout layout;
};

Built Build(const std::vector<std::uint8_t>& payload, std::uint64_t index) {
  Built built;
  std::copy(payload.begin(), payload.end(), built.buffer.begin() + kLengthWordBytes);
  built.layout = BuildRecord(built.buffer.data(), payload.size(), index);
  return built;
}

TEST(AppendixMaskWord, FollowsTheRuntimeGeneratorsFirstValue) {
  EXPECT_EQ(AppendixMaskWord(1000), 3304);
  EXPECT_EQ(AppendixMaskWord(1201), 3960);
  EXPECT_EQ(AppendixMaskWord(0), (2531011u >> 16) & 0x7FFF);
  for (std::size_t p = 0; p < 70000; p += 997) EXPECT_LE(AppendixMaskWord(p), 0x7FFF);
}

TEST(AppendixTables, HoldTheDocumentedGeneratorOutput) {
  for (const auto& [table, seed] :
       {std::pair{AppendixTable::kA, 0x54726E41u}, std::pair{AppendixTable::kB, 0x54726E42u}}) {
    std::uint32_t x = seed;
    for (std::size_t k = 0; k < kAppendixTableWords; ++k) {
      x = x * 1664525u + 1013904223u;
      ASSERT_EQ(AppendixTableWord(table, k / kAppendixWords, k % kAppendixWords), x >> 16) << "word " << k;
    }
  }
}

TEST(BuildRecord, PayloadOf1200BytesCarriesTheNextByte) {
  const Built plain = Build(PatternPayload(1200), 0);
  EXPECT_EQ(plain.layout.payloadBytes, 1201u);
  EXPECT_EQ(plain.layout.bodyBytes, 1201u);
  EXPECT_EQ(ReadLe16(plain.buffer.data()), 1201);
  EXPECT_EQ(plain.buffer[kLengthWordBytes + 1200], 0xEE);  // carried along unchanged

  const Built withAppendix = Build(PatternPayload(1200), 25);
  EXPECT_EQ(withAppendix.layout.bodyBytes, 5299u);
  EXPECT_EQ(ReadLe16(withAppendix.buffer.data() + kLengthWordBytes + 1201 + 2 * kAppendixWords),
            AppendixMaskWord(1201));

  for (std::size_t size : {1199u, 1202u}) EXPECT_EQ(Build(PatternPayload(size), 0).layout.bodyBytes, size);
}

TEST(BuildRecord, AppendixOnlyInRecords25To32And35To42) {
  const auto payload = PatternPayload(1000);
  for (std::uint64_t index = 0; index < 700; ++index) {
    const bool expected = (index >= 25 && index <= 32) || (index >= 35 && index <= 42);
    const Built built = Build(payload, index);
    ASSERT_EQ(built.layout.hasAppendix, expected) << "record " << index;
    ASSERT_EQ(built.layout.bodyBytes, 1000u + (expected ? 4098u : 0u)) << "record " << index;
    ASSERT_EQ(ReadLe16(built.buffer.data()), built.layout.bodyBytes);
    ASSERT_TRUE(std::equal(payload.begin(), payload.end(), built.buffer.begin() + kLengthWordBytes));
  }
}

TEST(BuildRecord, AppendixIsTheTableBlockXorRThenR) {
  const auto payload = PatternPayload(1000);
  for (const auto& [index, table, block] :
       {std::tuple{25u, AppendixTable::kA, 0u}, std::tuple{32u, AppendixTable::kA, 7u},
        std::tuple{35u, AppendixTable::kB, 0u}, std::tuple{42u, AppendixTable::kB, 7u}}) {
    const Built built = Build(payload, index);
    const std::uint8_t* appendix = built.buffer.data() + kLengthWordBytes + 1000;
    EXPECT_EQ(ReadLe16(appendix + 4096), 3304);
    for (std::size_t j = 0; j < kAppendixWords; ++j) {
      ASSERT_EQ(ReadLe16(appendix + 2 * j) ^ 3304, AppendixTableWord(table, block, j)) << "record " << index;
    }
  }
  EXPECT_NE(AppendixTableWord(AppendixTable::kA, 3, 100), AppendixTableWord(AppendixTable::kB, 3, 100));
}

TEST(BuildRecord, MaskTogglesTheFirstTwoPayloadBytesOnly) {
  Built built = Build(PatternPayload(300), 0);
  const std::vector<std::uint8_t> before = built.buffer;
  TogglePayloadMask(built.buffer.data());
  EXPECT_EQ(built.buffer[2], before[2] ^ 0x5B);
  EXPECT_EQ(built.buffer[3], before[3] ^ 0x3E);
  EXPECT_TRUE(std::equal(before.begin() + 4, before.end(), built.buffer.begin() + 4));
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 2, built.buffer.begin()));
  TogglePayloadMask(built.buffer.data());
  EXPECT_EQ(built.buffer, before);
}

TEST(BuildRecord, FramesThatFitAreStoredWholeEvenOverTheBudget) {
  for (const auto& [size, index] : {std::pair{40'000u, 0u}, std::pair{65'535u, 0u}, std::pair{61'437u, 25u}}) {
    const auto payload = PatternPayload(size);
    const Built built = Build(payload, index);
    EXPECT_FALSE(built.layout.replacedByAllKeep) << size;
    EXPECT_EQ(built.layout.payloadBytes, size);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), built.buffer.begin() + kLengthWordBytes));
  }
}

TEST(BuildRecord, FrameTooLongForARecordBecomesAllKeep) {
  const auto allKeep = AllKeepPayload();
  ASSERT_EQ(allKeep.size(), 156u);
  for (const auto& [size, index] : {std::pair{65'536u, 0u}, std::pair{61'438u, 25u}, std::pair{110'180u, 40u}}) {
    const Built built = Build(PatternPayload(size), index);
    EXPECT_TRUE(built.layout.replacedByAllKeep) << size;
    EXPECT_EQ(built.layout.payloadBytes, 156u);
    EXPECT_EQ(built.layout.bodyBytes, index >= 25 ? 156u + 4098u : 156u);
    EXPECT_TRUE(std::equal(allKeep.begin(), allKeep.end(), built.buffer.begin() + kLengthWordBytes));
    if (index >= 25) {
      EXPECT_EQ(ReadLe16(built.buffer.data() + 2 + 156 + 4096), AppendixMaskWord(156));
    }
  }
}

TEST(BuildRecord, AllKeepReplacementLeavesThePictureAsItWas) {
  Built built = Build(PatternPayload(70'000), 3);
  ASSERT_TRUE(built.layout.replacedByAllKeep);
  std::vector<std::uint16_t> reference(codec::kReferencePixels);
  std::iota(reference.begin(), reference.end(), std::uint16_t{0});
  std::vector<std::uint16_t> target(codec::kReferencePixels, 0xFFFF);
  ASSERT_EQ(codec::DecodeFrame(built.buffer.data(), built.layout.FileBytes(), reference.data(), target.data()),
            codec::DecodeStatus::kOk);
  EXPECT_EQ(target, reference);
}

TEST(MovieHeader, HoldsMagicLengthTagAndConstant) {
  const HeaderBytes header = MakeMovieHeader(0x01020304);
  const std::array<std::uint8_t, 20> expected = {'T', 'a', 'r', 'n', 4, 3, 2, 1, 'M', 'O',
                                                 'V', 'I', 0,   0,   0, 0, 5, 0, 0,   0};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), header.begin()));
  EXPECT_TRUE(std::all_of(header.begin() + 20, header.end(), [](std::uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace tarn::movie
