// tmvtool on movies written in the test by the real encoder through the filter's record loop.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <sys/wait.h>

#include "formats/movie_player.h"
#include "tarnaud/sound_encoder.h"
#include "formats/sound_file_writer.h"
#include "tests/movie/movie_test_support.h"

namespace tarn::movie {
namespace {

using testing::ReadWholeFile;
using testing::RecordSink;

using Picture = std::vector<std::uint8_t>;  // BGR, 240x160, top row first

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class TmvtoolTest : public testing::TempFolderTest {
 protected:
  // Runs tmvtool with `args` (paths inside the temporary folder need no quoting).
  ToolRun RunTool(const std::string& args) {
    const std::string command =
        std::string("'") + TMVTOOL_PATH + "' " + args + " > '" + PathOf("stdout") + "' 2> '" + PathOf("stderr") + "'";
    const int status = std::system(command.c_str());
    ToolRun run;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    const auto out = ReadWholeFile(PathOf("stdout"));
    const auto err = ReadWholeFile(PathOf("stderr"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
  }

  // `count` moving test pictures from FFmpeg's testsrc2 pattern.
  std::vector<Picture> TestPictures(int count) {
    const std::string raw = PathOf("pictures.bgr");
    const std::string command = "ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=240x160:rate=10 -frames:v " +
                                std::to_string(count) + " -f rawvideo -pix_fmt bgr24 -y '" + raw + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const auto bytes = ReadWholeFile(raw);
    std::vector<Picture> pictures;
    for (std::size_t at = 0; at + codec::kRgbPictureBytes <= bytes.size(); at += codec::kRgbPictureBytes) {
      pictures.emplace_back(bytes.begin() + static_cast<long>(at),
                            bytes.begin() + static_cast<long>(at + codec::kRgbPictureBytes));
    }
    EXPECT_EQ(pictures.size(), static_cast<std::size_t>(count));
    return pictures;
  }

  // Encodes `pictures` into `name` as the encoder filter does (closed loop, black reference
  // after every 600th record) and returns the reference each next frame was predicted from.
  std::vector<Picture> EncodeMovie(const std::string& name, const std::vector<Picture>& pictures, bool finish = true) {
    codec::FrameEncoder encoder;
    std::vector<std::uint16_t> reference(codec::kReferencePixels), target(codec::kReferencePixels);
    Picture copy(codec::kRgbPictureBytes, 0);
    RecordSink sink;
    MovieFileWriter writer;
    EXPECT_EQ(writer.Create(PathOf(name)), 0);
    std::vector<Picture> predictedFrom;
    for (const Picture& picture : pictures) {
      const std::size_t length = encoder.EncodeFrame(picture.data(), copy.data(), sink.Payload(), {});
      const RecordLayout layout = sink.Append(writer, length);
      layouts_.push_back(layout);
      EXPECT_EQ(codec::DecodeFrame(sink.Buffer().data(), layout.FileBytes(), reference.data(), target.data()),
                codec::DecodeStatus::kOk);
      reference = target;
      codec::ReferenceToRgb(reference.data(), copy.data());
      predictedFrom.push_back(copy);
      if (sink.records() % kRecordsPerReferenceReset == 0) {
        codec::ResetReference(reference.data(), copy.data());
        std::fill(sink.Buffer().begin(), sink.Buffer().end(), 0);
      }
    }
    if (finish) {
      EXPECT_EQ(writer.Finish(), 0);
    }
    return predictedFrom;
  }

  std::vector<RecordLayout> layouts_;
};

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(prefix)) lines.push_back(line);
  }
  return lines;
}

std::vector<std::uint8_t> Concatenate(const std::vector<Picture>& pictures) {
  std::vector<std::uint8_t> all;
  for (const Picture& picture : pictures) all.insert(all.end(), picture.begin(), picture.end());
  return all;
}

TEST_F(TmvtoolTest, InfoPrintsTheHeaderAndEveryRecord) {
  EncodeMovie("movie.tmv", TestPictures(44));
  const ToolRun run = RunTool("info '" + PathOf("movie.tmv") + "'");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("header: finished"), std::string::npos) << run.out;
  const auto records = LinesStartingWith(run.out, "record ");
  ASSERT_EQ(records.size(), 44u) << run.out;
  std::uint64_t offset = 512;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const RecordLayout& layout = layouts_[i];
    const std::string expected = "record " + std::to_string(i) + ": offset " + std::to_string(offset) + ", N " +
                                 std::to_string(layout.bodyBytes) + ", P " + std::to_string(layout.payloadBytes) +
                                 ", K ";
    EXPECT_TRUE(records[i].starts_with(expected)) << records[i] << "\nexpected " << expected;
    const bool appendix = (i >= 25 && i <= 32) || (i >= 35 && i <= 42);
    EXPECT_EQ(records[i].find("R " + std::to_string(AppendixMaskWord(layout.payloadBytes)) + " matches P") !=
                  std::string::npos,
              appendix)
        << records[i];
    EXPECT_EQ(records[i].find("DAMAGED"), std::string::npos) << records[i];
    offset += layout.FileBytes();
  }
  EXPECT_NE(records[25].find("table A block 0"), std::string::npos);
  EXPECT_NE(records[42].find("table B block 7"), std::string::npos);
}

TEST_F(TmvtoolTest, UnfinishedFileIsReportedButStillReadable) {
  EncodeMovie("unfinished.tmv", TestPictures(3), false);
  const ToolRun info = RunTool("info '" + PathOf("unfinished.tmv") + "'");
  EXPECT_EQ(info.exitCode, 0);
  EXPECT_NE(info.out.find("header: unfinished"), std::string::npos) << info.out;
  EXPECT_NE(info.err.find("unfinished"), std::string::npos) << info.err;
  EXPECT_EQ(LinesStartingWith(info.out, "record ").size(), 3u);
}

TEST_F(TmvtoolTest, DamagedFilesFailWithAClearMessage) {
  EncodeMovie("movie.tmv", TestPictures(4));
  const auto whole = ReadWholeFile(PathOf("movie.tmv"));
  const std::uint64_t thirdOffset = 512 + layouts_[0].FileBytes() + layouts_[1].FileBytes();

  // Cut in the middle of the third record.
  testing::WriteWholeFile(PathOf("cut.tmv"), {whole.begin(), whole.begin() + static_cast<long>(thirdOffset + 10)});
  const ToolRun cut = RunTool("info '" + PathOf("cut.tmv") + "'");
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.err.find("record 2 at offset " + std::to_string(thirdOffset)), std::string::npos) << cut.err;
  EXPECT_TRUE(cut.err.starts_with("tmvtool: ")) << cut.err;

  // K of the second record points past its record: the player keeps the first picture.
  auto badK = whole;
  const std::size_t secondPayload = 512 + layouts_[0].FileBytes() + 2;
  badK[secondPayload + 1] = static_cast<std::uint8_t>(0xF0 ^ kMaskByte1);
  testing::WriteWholeFile(PathOf("badk.tmv"), badK);
  const ToolRun info = RunTool("info '" + PathOf("badk.tmv") + "'");
  EXPECT_EQ(info.exitCode, 1);
  EXPECT_NE(info.out.find("record 1: offset " + std::to_string(secondPayload - 2)), std::string::npos);
  EXPECT_NE(info.out.find("DAMAGED"), std::string::npos) << info.out;
  EXPECT_NE(info.err.find("record 1 at offset"), std::string::npos) << info.err;

  const ToolRun raw = RunTool("decode '" + PathOf("badk.tmv") + "' --raw");
  EXPECT_EQ(raw.exitCode, 1);
  ASSERT_EQ(raw.out.size(), 4 * codec::kRgbPictureBytes);
  EXPECT_EQ(raw.out.substr(0, codec::kRgbPictureBytes),
            raw.out.substr(codec::kRgbPictureBytes, codec::kRgbPictureBytes));

  // Anything else (a DVD's VOB, a text) is said to be no movie in one line, and nothing is decoded.
  std::vector<std::uint8_t> vob(64 * 2048, 0);
  for (std::size_t pack = 0; pack < vob.size(); pack += 2048) vob[pack + 2] = 1, vob[pack + 3] = 0xBA;
  testing::WriteWholeFile(PathOf("VTS_01_1.VOB"), vob);
  for (const std::string& command : {"info '" + PathOf("VTS_01_1.VOB") + "'",
                                     "decode '" + PathOf("VTS_01_1.VOB") + "' -o '" + PathOf("frames") + "'"}) {
    const ToolRun notAMovie = RunTool(command);
    EXPECT_EQ(notAMovie.exitCode, 1);
    EXPECT_EQ(notAMovie.err, "tmvtool: " + PathOf("VTS_01_1.VOB") + ": not a movie file\n");
    EXPECT_EQ(notAMovie.out, "");
  }
  EXPECT_TRUE(std::filesystem::is_empty(PathOf("frames")));
}

TEST_F(TmvtoolTest, SoundFilesAreDescribedAndDecodedToWav) {
  // One second of a 1 kHz tone through the audio encoder's ADPCM path (MusicMode 2).
  const std::string sound = PathOf("movie.tms");
  {
    aud::SoundFileWriter file;
    ASSERT_EQ(file.Create(sound), 0);
    aud::SoundEncoder encoder;
    const aud::SoundLayout layout = *aud::LayoutForMusicMode(2);
    ASSERT_EQ(encoder.Start(layout, 0, 1.0, {48000, 1}, &file), 0);
    std::vector<std::int16_t> tone(48000);
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<std::int16_t>(12000 * std::sin(static_cast<double>(i) * 2 * M_PI / 48));
    ASSERT_EQ(encoder.Encode(tone.data(), static_cast<std::int64_t>(tone.size())), 0);
    ASSERT_EQ(encoder.Finish(12000), 0);
    aud::SoundHeader header{2, layout, static_cast<std::uint32_t>(encoder.WrittenFrames()),
                            static_cast<std::uint32_t>(file.FileLength() - aud::kSoundHeaderBytes)};
    ASSERT_EQ(file.Finish(aud::EncodeSoundHeader(header)), 0);
  }
  const ToolRun info = RunTool("info '" + sound + "'");
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("MusicMode 2, IMA ADPCM, 1 channel, 12000 Hz"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("length: 00:00:01.000 (12000 sample frames"), std::string::npos) << info.out;

  const ToolRun decode = RunTool("decode '" + sound + "' --out '" + PathOf("movie.wav") + "'");
  ASSERT_EQ(decode.exitCode, 0) << decode.err;
  const auto wav = ReadWholeFile(PathOf("movie.wav"));
  ASSERT_EQ(wav.size(), 44u + 2 * 12000);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(wav[24] | wav[25] << 8, 12000);  // sample rate
  // The tone comes back: 2000 sign changes a second, at full level.
  int crossings = 0, peak = 0;
  std::int16_t previous = 0;
  for (std::size_t at = 44 + 2 * 600; at < wav.size(); at += 2) {
    const auto sample = static_cast<std::int16_t>(wav[at] | wav[at + 1] << 8);
    crossings += (sample < 0) != (previous < 0);
    peak = std::max(peak, std::abs(static_cast<int>(sample)));
    previous = sample;
  }
  EXPECT_NEAR(crossings, 1900, 20);
  EXPECT_NEAR(peak, 12000, 1500);

  // An interrupted conversion's sound file has no mode to decode with.
  testing::WriteWholeFile(PathOf("cut.tms"), std::vector<std::uint8_t>(1000, 0));
  const ToolRun unfinished = RunTool("decode '" + PathOf("cut.tms") + "' -o '" + PathOf("cut.wav") + "'");
  EXPECT_EQ(unfinished.exitCode, 1);
  EXPECT_NE(unfinished.err.find("is unfinished"), std::string::npos) << unfinished.err;
  EXPECT_FALSE(std::filesystem::exists(PathOf("cut.wav")));
}

// The appendix tables are each encoder's own data: other words in them are sound, while the
// rules the format fixes (N = P + 4098, the last word R from P) still decide damage.
TEST_F(TmvtoolTest, AnotherEncodersAppendixTablesAreSoundButAWrongWordRIsNot) {
  EncodeMovie("movie.tmv", TestPictures(36));
  auto other = ReadWholeFile(PathOf("movie.tmv"));
  std::uint64_t offset = 512;
  for (std::size_t i = 0; i < 25; ++i) offset += layouts_[i].FileBytes();
  const std::size_t appendixAt = static_cast<std::size_t>(offset) + kLengthWordBytes + layouts_[25].payloadBytes;
  for (std::size_t word = 0; word < kAppendixWords; ++word) other[appendixAt + 2 * word] ^= 0x5A;
  testing::WriteWholeFile(PathOf("other.tmv"), other);
  const ToolRun info = RunTool("info '" + PathOf("other.tmv") + "'");
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_EQ(info.out.find("DAMAGED"), std::string::npos) << info.out;
  EXPECT_NE(LinesStartingWith(info.out, "record 25:")[0].find("another encoder's table"), std::string::npos)
      << info.out;
  EXPECT_NE(info.err.find("note: "), std::string::npos) << info.err;
  EXPECT_EQ(RunTool("decode '" + PathOf("other.tmv") + "' --raw").exitCode, 0);

  other[appendixAt + 2 * kAppendixWords] ^= 1;  // R no longer belongs to P
  testing::WriteWholeFile(PathOf("wrong-r.tmv"), other);
  const ToolRun wrongR = RunTool("info '" + PathOf("wrong-r.tmv") + "'");
  EXPECT_EQ(wrongR.exitCode, 1);
  EXPECT_NE(wrongR.err.find("record 25 at offset " + std::to_string(offset) + ": the appendix word R"),
            std::string::npos)
      << wrongR.err;
}

TEST_F(TmvtoolTest, DecodeRawReproducesTheEncodersReferencesAcrossTheBlackReset) {
  std::vector<Picture> pictures = TestPictures(10);
  pictures.resize(602, pictures.back());  // a still scene after the first second
  const std::vector<Picture> predictedFrom = EncodeMovie("long.tmv", pictures);
  // Record 600 was coded against black, record 599 against the same still picture.
  EXPECT_GT(layouts_[600].payloadBytes, layouts_[599].payloadBytes);

  const ToolRun run = RunTool("decode '" + PathOf("long.tmv") + "' --raw");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto expected = Concatenate(predictedFrom);
  ASSERT_EQ(run.out.size(), expected.size());
  for (std::size_t i = 0; i < predictedFrom.size(); ++i) {
    ASSERT_EQ(
        0, std::memcmp(run.out.data() + i * codec::kRgbPictureBytes, predictedFrom[i].data(), codec::kRgbPictureBytes))
        << "frame " << i;
  }
}

TEST_F(TmvtoolTest, DecodeWritesOnePngPerRecord) {
  const std::vector<Picture> predictedFrom = EncodeMovie("movie.tmv", TestPictures(12));
  const ToolRun run = RunTool("decode '" + PathOf("movie.tmv") + "' -o '" + PathOf("frames") + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(PathOf("frames/frame_00011.png")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("frames/frame_00012.png")));
  const std::string back = PathOf("back.bgr");
  const std::string command = "ffmpeg -nostdin -v error -i '" + PathOf("frames") +
                              "/frame_%05d.png' -f rawvideo -pix_fmt bgr24 -y '" + back + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadWholeFile(back), Concatenate(predictedFrom));
}

TEST_F(TmvtoolTest, CommandLineErrors) {
  EXPECT_EQ(RunTool("").exitCode, 2);
  const ToolRun unknown = RunTool("play x.tmv");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("unknown command 'play'"), std::string::npos);
  EXPECT_EQ(RunTool("decode x.tmv").exitCode, 2);
  EXPECT_EQ(RunTool("decode x.tmv --raw -o dir").exitCode, 2);
  EXPECT_EQ(RunTool("info").exitCode, 2);
  const ToolRun help = RunTool("decode --help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.starts_with("usage: tmvtool decode")) << help.out;

  const ToolRun missing = RunTool("info '" + PathOf("missing.tmv") + "'");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
  const ToolRun folder = RunTool("decode '" + PathOf("missing.tmv") + "' -o '" + PathOf("stdout") + "'");
  EXPECT_EQ(folder.exitCode, 1);  // the output folder is a file

  const ToolRun version = RunTool("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.starts_with("tmvtool ")) << version.out;
  // What cannot be written to standard output is a failure.
  EncodeMovie("movie.tmv", TestPictures(2));
  const std::string full = std::string("'") + TMVTOOL_PATH + "' info '" + PathOf("movie.tmv") + "' > /dev/full 2> '" +
                           PathOf("stderr") + "'";
  const int status = std::system(full.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  const auto err = ReadWholeFile(PathOf("stderr"));
  EXPECT_NE(std::string(err.begin(), err.end()).find("cannot write to standard output"), std::string::npos);
}

}  // namespace
}  // namespace tarn::movie
