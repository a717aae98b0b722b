// The movie file writer: layout on disk, header last, and failures reported faithfully.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "formats/movie_header.h"
#include "tests/movie/movie_test_support.h"

namespace tarn::movie {
namespace {

using MovieWriterTest = testing::TempFolderTest;
using testing::AllKeepPayload;
using testing::FillPayload;
using testing::ReadWholeFile;
using testing::RecordSink;

TEST_F(MovieWriterTest, StreamWithoutFramesIsAHeaderOnly) {
  MovieFileWriter writer;
  ASSERT_EQ(writer.Create(PathOf("empty.tmv")), 0);
  ASSERT_EQ(writer.Finish(), 0);
  EXPECT_FALSE(writer.IsOpen());
  const auto bytes = ReadWholeFile(PathOf("empty.tmv"));
  const HeaderBytes expected = MakeMovieHeader(512);
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

TEST_F(MovieWriterTest, RecordsFollowTheZeroHeaderAndTheLengthIsWrittenLast) {
  MovieFileWriter writer;
  RecordSink sink;
  ASSERT_EQ(writer.Create(PathOf("movie.tmv")), 0);
  std::uint64_t expectedLength = 512;
  std::vector<std::uint8_t> firstRecord;
  for (int i = 0; i < 30; ++i) {
    const auto payload = i % 2 == 0 ? FillPayload(static_cast<std::uint16_t>(i)) : AllKeepPayload();
    const RecordLayout layout = sink.Append(writer, payload);
    if (i == 0)
      firstRecord.assign(sink.Buffer().begin(), sink.Buffer().begin() + static_cast<long>(layout.FileBytes()));
    expectedLength += layout.bodyBytes + 2;
  }
  EXPECT_EQ(writer.FileLength(), expectedLength);

  auto whileWriting = ReadWholeFile(PathOf("movie.tmv"));
  ASSERT_EQ(whileWriting.size(), expectedLength);
  EXPECT_TRUE(std::all_of(whileWriting.begin(), whileWriting.begin() + 512, [](std::uint8_t b) { return b == 0; }));
  // The first record starts at 512 with its payload's first two bytes masked.
  TogglePayloadMask(firstRecord.data());
  EXPECT_TRUE(std::equal(firstRecord.begin(), firstRecord.end(), whileWriting.begin() + 512));

  ASSERT_EQ(writer.Finish(), 0);
  const auto finished = ReadWholeFile(PathOf("movie.tmv"));
  ASSERT_EQ(finished.size(), expectedLength);
  EXPECT_EQ(ReadLe32(finished.data() + 4), expectedLength);
  EXPECT_TRUE(std::equal(finished.begin() + 512, finished.end(), whileWriting.begin() + 512));
}

TEST_F(MovieWriterTest, CreateReplacesAnOldFileAndReportsAMissingFolder) {
  testing::WriteWholeFile(PathOf("old.tmv"), std::vector<std::uint8_t>(5000, 0x77));
  MovieFileWriter writer;
  ASSERT_EQ(writer.Create(PathOf("old.tmv")), 0);
  ASSERT_EQ(writer.Finish(), 0);
  EXPECT_EQ(ReadWholeFile(PathOf("old.tmv")).size(), 512u);

  EXPECT_EQ(writer.Create(PathOf("no-such-folder/a.tmv")), ENOENT);
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(writer.AppendRecord(nullptr, 0), EBADF);
}

TEST_F(MovieWriterTest, FullDeviceFailsTheRecordAndTheHeader) {
  MovieFileWriter writer;
  ASSERT_EQ(writer.Create("/dev/full"), 0);
  const std::vector<std::uint8_t> record(1000, 1);
  EXPECT_EQ(writer.AppendRecord(record.data(), record.size()), ENOSPC);
  EXPECT_EQ(writer.FileLength(), 512u);  // the failed record is not counted
  EXPECT_EQ(writer.Finish(), ENOSPC);
  EXPECT_TRUE(writer.IsOpen());  // unfinished, still open
}

// Writes under a 4096-byte file size limit in a child process. Exit codes tell which step
// went wrong; 0 when every step behaved.
int WriteUnderSizeLimit(const std::string& path) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
  MovieFileWriter writer;
  if (writer.Create(path) != 0) return 11;
  const std::vector<std::uint8_t> small(1000, 0x11), large(3000, 0x22);
  if (writer.AppendRecord(small.data(), small.size()) != 0) return 12;
  if (writer.AppendRecord(large.data(), large.size()) != EFBIG) return 13;  // torn at 4096
  if (writer.FileLength() != 1512) return 14;
  if (writer.AppendRecord(small.data(), small.size()) != 0) return 15;  // follows the last whole record
  if (writer.Finish() != 0) return 16;
  return 0;
}

TEST_F(MovieWriterTest, FileSizeLimitReportsEfbigAndDropsTheTornRecord) {
  const std::string path = PathOf("limited.tmv");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(WriteUnderSizeLimit(path));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  const auto bytes = ReadWholeFile(path);
  ASSERT_EQ(bytes.size(), 2512u);
  EXPECT_EQ(ReadLe32(bytes.data() + 4), 2512u);
  EXPECT_TRUE(std::all_of(bytes.begin() + 512, bytes.end(), [](std::uint8_t b) { return b == 0x11; }));
}

}  // namespace
}  // namespace tarn::movie
