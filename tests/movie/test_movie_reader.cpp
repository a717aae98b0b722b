// Reading movie files back: header states, record walk, damaged and cut files, the player.
#include <gtest/gtest.h>

#include "formats/movie_player.h"
#include "formats/movie_reader.h"
#include "tests/movie/movie_test_support.h"

namespace tarn::movie {
namespace {

using testing::AllKeepPayload;
using testing::FillPayload;
using testing::ReadWholeFile;
using testing::RecordSink;

constexpr std::uint16_t kRed = 0x001F;
constexpr std::uint16_t kBlue = 0x7C00;

class MovieReaderTest : public testing::TempFolderTest {
 protected:
  // A finished movie of `payloads`, read back into memory.
  std::vector<std::uint8_t> WriteMovie(const std::vector<std::vector<std::uint8_t>>& payloads, bool finish = true) {
    MovieFileWriter writer;
    RecordSink sink;
    EXPECT_EQ(writer.Create(PathOf("movie.tmv")), 0);
    for (const auto& payload : payloads) sink.Append(writer, payload);
    if (finish) {
      EXPECT_EQ(writer.Finish(), 0);
    }
    writer.Close();
    return ReadWholeFile(PathOf("movie.tmv"));
  }
};

struct Walk {
  HeaderInfo header;
  std::vector<RecordInfo> records;
  std::vector<PlayOutcome> outcomes;
  std::vector<std::vector<std::uint16_t>> screens;
  ReadStatus end = ReadStatus::kRecord;
  std::string cutProblem;
};

Walk WalkBytes(const std::vector<std::uint8_t>& bytes) {
  MemorySource source(bytes);
  MovieReader reader(source);
  auto player = std::make_unique<MoviePlayer>();
  Walk walk;
  walk.header = reader.Header();
  while ((walk.end = reader.Next()) == ReadStatus::kRecord) {
    walk.records.push_back(reader.Record());
    walk.outcomes.push_back(player->Play(reader.Record(), reader.RecordBytes()));
    walk.screens.emplace_back(player->Screen().begin(), player->Screen().end());
  }
  walk.cutProblem = reader.CutProblem();
  return walk;
}

std::vector<std::uint16_t> Uniform(std::uint16_t colour) {
  return std::vector<std::uint16_t>(codec::kReferencePixels, colour);
}

TEST_F(MovieReaderTest, WalksRecordsWithTheirSectionsAndAppendix) {
  std::vector<std::vector<std::uint8_t>> payloads(44, AllKeepPayload());
  payloads[0] = FillPayload(kRed);
  payloads[26] = FillPayload(kBlue);
  const auto bytes = WriteMovie(payloads);
  const Walk walk = WalkBytes(bytes);

  EXPECT_EQ(walk.header.state, HeaderState::kFinished);
  EXPECT_EQ(walk.end, ReadStatus::kEnd);
  ASSERT_EQ(walk.records.size(), 44u);
  std::uint64_t offset = 512;
  for (const RecordInfo& record : walk.records) {
    const bool appendix = (record.index >= 25 && record.index <= 32) || (record.index >= 35 && record.index <= 42);
    EXPECT_EQ(record.offset, offset);
    EXPECT_EQ(record.payloadBytes, payloads[record.index].size());
    EXPECT_EQ(record.appendix, appendix ? AppendixState::kPresent : AppendixState::kNotExpected);
    EXPECT_EQ(record.MaskWordMatches(), appendix);
    EXPECT_EQ(record.tableMatches, appendix);
    EXPECT_TRUE(record.payloadProblem.empty());
    offset += 2 + record.bodyBytes;
  }
  EXPECT_EQ(walk.records[0].codeBytes, 228u);
  EXPECT_EQ(walk.records[0].colourBytes, 1200u);
  EXPECT_EQ(walk.records[0].vectorBytes, 0u);
  EXPECT_EQ(walk.records[1].codeBytes, 152u);

  EXPECT_EQ(walk.screens[0], Uniform(kRed));
  EXPECT_EQ(walk.screens[25], Uniform(kRed));
  EXPECT_EQ(walk.screens[26], Uniform(kBlue));
  EXPECT_EQ(walk.screens[43], Uniform(kBlue));
}

TEST_F(MovieReaderTest, HeaderStates) {
  const auto finished = WriteMovie({FillPayload(kRed)});
  EXPECT_EQ(WalkBytes(finished).header.state, HeaderState::kFinished);

  const auto unfinished = WriteMovie({FillPayload(kRed), AllKeepPayload()}, false);
  const Walk walk = WalkBytes(unfinished);
  EXPECT_EQ(walk.header.state, HeaderState::kUnfinished);
  EXPECT_EQ(walk.records.size(), 2u);  // the records are still there
  EXPECT_EQ(walk.end, ReadStatus::kEnd);

  auto badMagic = finished;
  badMagic[0] = 't';
  EXPECT_NE(WalkBytes(badMagic).header.problem.find("Tarn"), std::string::npos);
  auto badTag = finished;
  badTag[11] = 'X';
  EXPECT_NE(WalkBytes(badTag).header.problem.find("MOVI"), std::string::npos);
  auto badLength = finished;
  badLength[4] ^= 1;
  EXPECT_EQ(WalkBytes(badLength).header.state, HeaderState::kDamaged);
  auto badConstant = finished;
  badConstant[16] = 6;
  EXPECT_EQ(WalkBytes(badConstant).header.state, HeaderState::kDamaged);

  const std::vector<std::uint8_t> tooShort(100, 0);
  const Walk shortWalk = WalkBytes(tooShort);
  EXPECT_EQ(shortWalk.header.state, HeaderState::kDamaged);
  EXPECT_EQ(shortWalk.end, ReadStatus::kEnd);
  EXPECT_TRUE(shortWalk.records.empty());
}

TEST_F(MovieReaderTest, FileCutInsideARecordIsReportedWithItsOffset) {
  const auto whole = WriteMovie({FillPayload(kRed), FillPayload(kBlue)});
  const std::size_t secondOffset = 512 + 2 + FillPayload(kRed).size();
  for (const std::size_t cutAt : {secondOffset + 1, secondOffset + 2, secondOffset + 500, whole.size() - 1}) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(cutAt));
    const Walk walk = WalkBytes(cut);
    EXPECT_EQ(walk.header.state, HeaderState::kDamaged) << cutAt;  // the length no longer matches
    ASSERT_EQ(walk.records.size(), 1u) << cutAt;
    EXPECT_EQ(walk.end, ReadStatus::kCut);
    EXPECT_NE(walk.cutProblem.find("record 1 at offset " + std::to_string(secondOffset)), std::string::npos)
        << walk.cutProblem;
    EXPECT_EQ(walk.screens[0], Uniform(kRed));
  }
}

TEST_F(MovieReaderTest, DamagedPayloadKeepsThePreviousPicture) {
  auto codesPastRecord = FillPayload(kBlue);
  WriteLe16(codesPastRecord.data(), 0xFFFC);
  auto coloursPastRecord = FillPayload(kBlue);
  WriteLe16(coloursPastRecord.data() + 2, 1202);
  auto coloursRunOut = FillPayload(kBlue);
  coloursRunOut.resize(coloursRunOut.size() - 2);
  WriteLe16(coloursRunOut.data() + 2, 1198);  // the sections fit, but the codes ask for 600 colours
  const std::vector<std::uint8_t> tooShortForK = {0, 0, 0};

  const auto bytes = WriteMovie(
      {FillPayload(kRed), codesPastRecord, coloursPastRecord, coloursRunOut, tooShortForK, FillPayload(kBlue)});
  const Walk walk = WalkBytes(bytes);
  ASSERT_EQ(walk.records.size(), 6u);
  EXPECT_EQ(walk.end, ReadStatus::kEnd);
  for (std::size_t i = 1; i <= 4; ++i) {
    EXPECT_EQ(walk.outcomes[i], PlayOutcome::kKeptDamaged) << i;
    EXPECT_EQ(walk.screens[i], Uniform(kRed)) << i;
  }
  EXPECT_FALSE(walk.records[1].payloadProblem.empty());
  EXPECT_FALSE(walk.records[2].payloadProblem.empty());
  EXPECT_TRUE(walk.records[3].payloadProblem.empty());  // only the decoder can tell
  EXPECT_FALSE(walk.records[4].payloadProblem.empty());
  EXPECT_EQ(walk.outcomes[5], PlayOutcome::kDecoded);
  EXPECT_EQ(walk.screens[5], Uniform(kBlue));
}

TEST_F(MovieReaderTest, RecordOf1200BytesIsSkippedAndThePictureStays) {
  auto bytes = WriteMovie({FillPayload(kRed)});
  std::vector<std::uint8_t> otherType(2 + 1200, 0x5A);
  WriteLe16(otherType.data(), 1200);
  bytes.insert(bytes.end(), otherType.begin(), otherType.end());
  const auto blue = WriteMovie({FillPayload(kBlue)});
  bytes.insert(bytes.end(), blue.begin() + 512, blue.end());
  WriteLe32(bytes.data() + 4, static_cast<std::uint32_t>(bytes.size()));

  const Walk walk = WalkBytes(bytes);
  EXPECT_EQ(walk.header.state, HeaderState::kFinished);
  ASSERT_EQ(walk.records.size(), 3u);
  EXPECT_TRUE(walk.records[1].reservedType);
  EXPECT_EQ(walk.outcomes[1], PlayOutcome::kKeptReserved);
  EXPECT_EQ(walk.screens[1], Uniform(kRed));
  EXPECT_EQ(walk.screens[2], Uniform(kBlue));
}

TEST_F(MovieReaderTest, AppendixFaultsAreDetected) {
  std::vector<std::vector<std::uint8_t>> payloads(27, AllKeepPayload());
  auto bytes = WriteMovie(payloads);
  const Walk good = WalkBytes(bytes);
  const RecordInfo& record25 = good.records[25];
  const std::size_t appendixAt = static_cast<std::size_t>(record25.offset) + 2 + record25.payloadBytes;

  auto wrongR = bytes;
  wrongR[appendixAt + 4096] ^= 1;
  const RecordInfo wrongRecord = WalkBytes(wrongR).records[25];
  EXPECT_EQ(wrongRecord.appendix, AppendixState::kPresent);
  EXPECT_FALSE(wrongRecord.MaskWordMatches());

  auto wrongWord = bytes;
  wrongWord[appendixAt + 100] ^= 1;
  const RecordInfo wordRecord = WalkBytes(wrongWord).records[25];
  EXPECT_TRUE(wordRecord.MaskWordMatches());
  EXPECT_FALSE(wordRecord.tableMatches);
}

TEST(MoviePlayer, ReferenceTurnsBlackAfterEvery600thRecord) {
  std::vector<std::uint8_t> buffer(kRecordBufferBytes);
  auto player = std::make_unique<MoviePlayer>();
  const auto fill = FillPayload(kRed);
  const auto keep = AllKeepPayload();
  for (std::uint64_t index = 0; index < 1202; ++index) {
    const auto& payload = index == 0 || index == 1200 ? fill : keep;
    std::copy(payload.begin(), payload.end(), buffer.begin() + 2);
    const RecordLayout layout = BuildRecord(buffer.data(), payload.size(), index);
    RecordInfo info;
    info.index = index;
    info.bodyBytes = layout.bodyBytes;
    info.payloadBytes = layout.payloadBytes;
    ASSERT_EQ(player->Play(info, std::span(buffer).first(layout.FileBytes())), PlayOutcome::kDecoded);
    // Records 0-599 keep the red picture, records 600-1199 the black reference; 1200 is red again.
    const std::uint16_t expected = index < 600 || index >= 1200 ? kRed : 0;
    ASSERT_EQ(player->Screen()[0], expected) << "record " << index;
    ASSERT_EQ(player->Screen()[codec::kReferencePixels - 1], expected) << "record " << index;
  }
}

}  // namespace
}  // namespace tarn::movie
