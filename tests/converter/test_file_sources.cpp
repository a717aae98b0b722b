// Video files as sources of the converter, made with FFmpeg for each test: each lists as one
// title with the container's chapters and streams, and converts through the same runs as a disc
// title (chapters, join, batch with each title's own settings, the size limit and "继续").
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "converter/engine/work_list_editing.h"
#include "formats/movie_trim.h"
#include "media/graph/PinQueries.h"
#include "converter/settings/converter_settings.h"
#include "run_test_support.h"
#include "tests/support/sound_file_decoder.h"

namespace tarn::conv {
namespace {

namespace fs = std::filesystem;
namespace keys = settings::keys;
using testing::ConverterRig;
using testing::MovieSeconds;
using testing::ReadSoundHeader;
using Names = std::vector<std::string>;

// The pictures every file shows, and two tones told apart by their pitch.
const std::string kPictures = "-f lavfi -i testsrc2=size=160x120:rate=25 ";
// A movie is within one record of ten a second.
constexpr double kOneRecord = 0.1 + 1e-9;

class FileSourceTest : public ConverterRig {
 protected:
  void Ffmpeg(const std::string& args) {
    const std::string command = "cd '" + folder_.string() + "' && ffmpeg -nostdin -v error -y " + args;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // H.264 and AAC, three seconds in two chapters of 1.3 and 1.7 s.
  std::string MakeChapteredMp4() {
    std::ofstream(folder_ / "meta.txt") << ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1300\n"
                                           "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1300\nEND=3000\n";
    Ffmpeg(kPictures +
           "-f lavfi -i sine=frequency=440:sample_rate=48000 -t 3 -map 0 -map 1 -c:v libx264 "
           "-preset ultrafast -c:a aac -shortest plain.mp4");
    Ffmpeg("-i plain.mp4 -i meta.txt -map 0 -map_metadata 1 -map_chapters 1 -c copy chapters.mp4");
    return (folder_ / "chapters.mp4").string();
  }

  // MPEG-4 and MP3 without chapters: an English tone at 440 Hz, a German one at 880 Hz with
  // another rate, and French text subtitles.
  std::string MakeTwoLanguageMkv() {
    std::ofstream(folder_ / "subs.srt") << "1\n00:00:00,500 --> 00:00:01,500\nBonjour\n\n";
    Ffmpeg(kPictures +
           "-f lavfi -i sine=frequency=440:sample_rate=44100 -f lavfi "
           "-i sine=frequency=880:sample_rate=22050 -i subs.srt -t 2 -map 0 -map 1 -map 2 -map 3 "
           "-c:v mpeg4 -c:a libmp3lame -c:s srt -metadata:s:a:0 language=eng -metadata:s:a:1 language=ger "
           "-metadata:s:s:0 language=fre two.mkv");
    return (folder_ / "two.mkv").string();
  }

  std::size_t OpenFile(const std::string& path) { return OpenDisc(path); }

  // The records of a movie file, each as its bytes.
  static std::vector<std::string> Records(const fs::path& movie) {
    const std::string bytes = testing::ReadFileText(movie);
    std::vector<std::string> records;
    std::uint64_t begin = 512;
    for (std::uint64_t end : movie::RecordEnds(movie.string()).value_or(std::vector<std::uint64_t>{})) {
      records.push_back(bytes.substr(begin, end - begin));
      begin = end;
    }
    return records;
  }

  // Sign changes a second in the sound file's first channel, which grow with the tone's pitch.
  static double Crossings(const fs::path& sound) {
    std::ifstream in(sound, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const aud_test::DecodedSound decoded = aud_test::DecodeSound(bytes);
    if (decoded.channelSamples.empty() || decoded.sampleRate == 0) return 0;
    const std::vector<double>& samples = decoded.channelSamples[0];
    int changes = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) changes += (samples[i - 1] < 0) != (samples[i] < 0);
    return changes / (static_cast<double>(samples.size()) / decoded.sampleRate);
  }
};

TEST_F(FileSourceTest, FilesListAsOneTitleEachWithTheirChaptersAndStreamsOrAreRefusedWithTheReason) {
  const std::string mp4 = MakeChapteredMp4();
  const std::string mkv = MakeTwoLanguageMkv();
  Ffmpeg(kPictures + "-t 1 -c:v mpeg4 silent.avi");
  Ffmpeg("-f lavfi -i sine -t 1 tone.m4a");
  {
    std::ifstream in(mp4, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(folder_ / "cut.mp4", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }

  ASSERT_EQ(OpenFile(mp4), 1u);
  ASSERT_EQ(OpenFile(mkv), 1u);
  // The lists show the streams of the source opened last, as for discs.
  EXPECT_EQ(controls_.AudioItems(), (Names{"English", "German"}));
  EXPECT_EQ(controls_.SubtitleItems(), (Names{"无字幕", "French"}));
  ASSERT_EQ(OpenFile((folder_ / "silent.avi").string()), 1u);
  EXPECT_TRUE(controls_.AudioItems().empty());
  ASSERT_EQ(list_.TitleCount(), 3u);
  for (std::size_t position = 0; position < 3; ++position) {
    EXPECT_EQ(list_.At(position)->titleNumber, 1);
    EXPECT_TRUE(list_.IsTitleFlagged(position));
  }
  EXPECT_EQ(list_.At(0)->chapterCount, 2u);
  EXPECT_EQ(list_.At(1)->chapterCount, 1u);  // no chapters: the whole file is one
  EXPECT_EQ(list_.At(0)->source, mp4);

  const std::size_t before = controls_.Messages().size();
  EXPECT_EQ(OpenFile((folder_ / "cut.mp4").string()), 0u);
  EXPECT_EQ(OpenFile((folder_ / "tone.m4a").string()), 0u);
  ASSERT_EQ(controls_.Messages().size(), before + 2);
  EXPECT_NE(controls_.Messages()[before].text.find("cut.mp4: the file is damaged or cut short"), std::string::npos)
      << controls_.Messages()[before].text;
  EXPECT_NE(controls_.Messages()[before + 1].text.find("tone.m4a: no video stream"), std::string::npos);
  EXPECT_EQ(list_.TitleCount(), 3u);
  // The refusals leave the graph able to open files again.
  EXPECT_EQ(OpenFile(mp4), 1u);
  // Opened again after it was written, the file is looked at again: cut short, it is refused.
  fs::copy_file(folder_ / "cut.mp4", mp4, fs::copy_options::overwrite_existing);
  EXPECT_EQ(OpenFile(mp4), 0u);
}

// The command line looks at its files while the converter starts; what it opens is what a look
// at the file as it is now would give.
TEST_F(FileSourceTest, FilesLookedAtAheadListAsTheyAreWhenOpened) {
  const std::string mp4 = MakeChapteredMp4();
  const std::string cut = (folder_ / "cut.mp4").string();
  fs::copy_file(mp4, cut);
  fs::resize_file(cut, fs::file_size(cut) / 2);
  DescriptionsAhead looks;
  graph_->TakeLooksFrom(&looks);
  looks.Start(mp4);
  looks.Start(cut);
  ASSERT_EQ(OpenFile(mp4), 1u);
  EXPECT_EQ(list_.At(0)->chapterCount, 2u);
  EXPECT_EQ(OpenFile(cut), 0u);
  EXPECT_NE(controls_.Messages().back().text.find("cut.mp4: the file is damaged or cut short"), std::string::npos);
  // A file written after its look began is looked at again.
  looks.Start(mp4);
  fs::resize_file(mp4, fs::file_size(mp4) / 2);
  EXPECT_FALSE(looks.Take(mp4, StampOf(mp4)));
  EXPECT_EQ(OpenFile(mp4), 0u);
  graph_->TakeLooksFrom(nullptr);
}

// Each chapter's pair: ten records a second of the chapter (within one) and sound exactly as long
// as the movie, named as a disc title's; joined, one pair for both.
TEST_F(FileSourceTest, EachChapterGivesTenRecordsASecondAndSoundAsLongAndJoinGivesOnePair) {
  ASSERT_EQ(OpenFile(MakeChapteredMp4()), 1u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  PressConvert();
  ASSERT_EQ(EndedMovieNames(), (Names{"001001.tmv", "0000101002.tmv"}));
  const double lengths[] = {1.3, 1.7};
  for (std::size_t i = 0; i < 2; ++i) {
    const fs::path movie = observer_->ended[i].info.names.movie;
    EXPECT_EQ(observer_->ended[i].how, SegmentEnd::PlayedOut);
    EXPECT_NEAR(MovieSeconds(movie), lengths[i], kOneRecord) << movie;
    // Within one AAC frame of the chapter.
    EXPECT_NEAR(ReadSoundHeader(observer_->ended[i].info.names.sound).seconds, lengths[i], 1024.0 / 48000) << movie;
    EXPECT_EQ(list_.At(0)->results[observer_->ended[i].info.firstChapter - 1].movieFile, movie.string());
  }
  PressConvert();  // "中止": back to idle

  observer_->ended.clear();
  Set(keys::kCon, "1");
  PressConvert();
  ASSERT_EQ(EndedMovieNames(), (Names{"0000201001.tmv"}));
  EXPECT_NEAR(MovieSeconds(observer_->ended[0].info.names.movie), 3.0, kOneRecord);
  EXPECT_NEAR(ReadSoundHeader(observer_->ended[0].info.names.sound).seconds, 3.0, 1024.0 / 48000);
}

// A file without chapters starts its one chapter once: started twice, the second start took up
// where the first had read ahead, and the movie lost its first half second to the sound.
TEST_F(FileSourceTest, AFileWithoutChaptersKeepsItsFirstPictures) {
  Ffmpeg(
      "-f lavfi -i testsrc2=size=720x480:rate=30000/1001 -f lavfi -i sine=sample_rate=48000 -t 4 "
      "-c:v mpeg2video -c:a mp2 clip.mpg");
  ASSERT_EQ(OpenFile((folder_ / "clip.mpg").string()), 1u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  PressConvert();
  ASSERT_EQ(observer_->ended.size(), 1u);
  const double sound = ReadSoundHeader(observer_->ended[0].info.names.sound).seconds;
  EXPECT_NEAR(sound, 4.0, 1152.0 / 48000);
  EXPECT_NEAR(MovieSeconds(observer_->ended[0].info.names.movie), sound, kOneRecord);
}

// The registry with the section of the filter `name` moved to the front, where a registration of
// that library in a user's own registry puts it (the user's entries come before the machine's).
void PutFirstInRegistry(const fs::path& registry, const std::string& name) {
  std::string text = testing::ReadFileText(registry);
  const std::size_t line = text.find("\nClass=" + name + "\n");
  ASSERT_NE(line, std::string::npos) << name;
  const std::size_t open = text.rfind("\n[", line);
  const std::size_t begin = open == std::string::npos ? 0 : open + 1;
  const std::size_t close = text.find("\n[", line);
  const std::size_t end = close == std::string::npos ? text.size() : close + 1;
  const std::string section = text.substr(begin, end - begin);
  text.erase(begin, end - begin);
  std::ofstream(registry) << section << "\n" << text;
}

void ExpectWrapperFeedsAudioEncoder(IGraphBuilder* graph) {
  ComPtr<IBaseFilter> wrapper;
  ComPtr<IBaseFilter> encoder;
  ASSERT_EQ(graph->FindFilterByName(L"ACM Wrapper", wrapper.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(graph->FindFilterByName(L"Tarn Audio Encoder for DVD", encoder.ReleaseAndGetAddressOf()), S_OK);
  const std::vector<ComPtr<IPin>> inputs = media::graph::PinsOf(encoder.Get(), PINDIR_INPUT);
  ASSERT_EQ(inputs.size(), 1u);
  const ComPtr<IPin> peer = media::graph::PeerOf(inputs[0].Get());
  ASSERT_TRUE(peer);
  EXPECT_EQ(media::graph::FilterOf(peer.Get()).Get(), wrapper.Get());
}

// The sound path does not hang on the order the registry lists the libraries in: the PCM wrapper
// stands before the audio encoder either way, and a mono file's tone comes out in both channels
// as loud as it is in the file (1/8 of full scale).
TEST_F(FileSourceTest, AMonoFileGivesTheSameSoundWhateverTheRegistryOrderAndAsLoudAsItIs) {
  Ffmpeg(kPictures + "-f lavfi -i sine=frequency=440:sample_rate=48000 -t 1 -c:v mpeg4 -c:a mp2 mono.mkv");
  ASSERT_EQ(OpenFile((folder_ / "mono.mkv").string()), 1u);
  ASSERT_FALSE(ClickTitle(list_, controls_, profile_, 0));
  std::vector<std::string> sounds;
  for (const bool encoderFirst : {false, true}) {
    if (encoderFirst) PutFirstInRegistry(filtersPath_, "Tarn Audio Encoder for DVD");
    // The conversion graph is built anew from the registry as it now stands.
    testing::RunInEventLoop([this] { current_->Rebuild(GraphVariant::Preview); });
    observer_->ended.clear();
    PressConvert();
    ASSERT_EQ(observer_->ended.size(), 1u);
    ExpectWrapperFeedsAudioEncoder(graph_->Graph());
    PressConvert();  // back to idle
    sounds.push_back(testing::ReadFileText(observer_->ended[0].info.names.sound));
  }
  EXPECT_TRUE(sounds[0] == sounds[1]) << "the sound files differ";

  const std::vector<std::uint8_t> bytes(sounds[0].begin(), sounds[0].end());
  const aud_test::DecodedSound decoded = aud_test::DecodeSound(bytes);
  ASSERT_EQ(decoded.channelSamples.size(), 2u);
  for (const std::vector<double>& channel : decoded.channelSamples) {
    ASSERT_GT(channel.size(), 4000u);
    double peak = 0;
    for (std::size_t i = 2000; i + 2000 < channel.size(); ++i) peak = std::max(peak, std::abs(channel[i]));
    EXPECT_NEAR(peak, 0.125, 1.0 / 128);
  }
}

// A batch of a disc title, a file, a soundless file and a second file whose German stream has
// another rate than the stream the graph was built with: the graph follows each source, each
// title has its own audio choice, and the soundless one gives its movie alone.
TEST_F(FileSourceTest, ABatchMixesDiscAndFilesEachWithItsOwnStreamAndASoundlessFileGivesItsMovieAlone) {
  const std::string disc = testing::TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << testing::DiscError();
  const std::string mkv = MakeTwoLanguageMkv();
  Ffmpeg(kPictures + "-t 1 -c:v mpeg4 silent.avi");
  ASSERT_EQ(OpenDisc(disc), 2u);
  ASSERT_EQ(OpenFile(mkv), 1u);
  ASSERT_EQ(OpenFile((folder_ / "silent.avi").string()), 1u);
  ASSERT_EQ(OpenFile(mkv), 1u);
  TickOnly(0, {1});
  UntickTitle(1);
  list_.At(4)->audioChoice = 1;  // German
  Set(keys::kBatch, "1");
  const std::size_t before = controls_.Messages().size();
  PressConvert();
  ASSERT_EQ(EndedMovieNames(), (Names{"001001.tmv", "0000101001.tmv", "0000201001.tmv", "0000301001.tmv"}));
  for (const testing::EndedSegment& segment : observer_->ended) EXPECT_EQ(segment.how, SegmentEnd::PlayedOut);
  EXPECT_EQ(controls_.Messages().size(), before) << controls_.Messages().back().text;
  EXPECT_EQ(observer_->started[0].source, disc);
  EXPECT_GT(MovieSeconds(observer_->ended[0].info.names.movie), 1.0);
  // The German tone is an octave above the English one.
  EXPECT_NEAR(Crossings(observer_->ended[3].info.names.sound) / Crossings(observer_->ended[1].info.names.sound), 2.0,
              0.2);
  for (std::size_t i : {1, 3}) {
    EXPECT_NEAR(MovieSeconds(observer_->ended[i].info.names.movie), 2.0, kOneRecord);
    EXPECT_NEAR(ReadSoundHeader(observer_->ended[i].info.names.sound).seconds, 2.0, 1152.0 / 22050);
  }
  EXPECT_NEAR(MovieSeconds(observer_->ended[2].info.names.movie), 1.0, kOneRecord);
  EXPECT_FALSE(fs::exists(observer_->ended[2].info.names.sound));
}

// The size limit stops a file's segment in the chapter that was playing; "继续" converts that
// chapter again from its start into new files.
TEST_F(FileSourceTest, TheSizeLimitStopsAFileInItsChapterAndContinueStartsThatChapterAgain) {
  ASSERT_EQ(OpenFile(MakeChapteredMp4()), 1u);
  Set(keys::kCon, "1");
  bool past = false;
  controller_->SetSizeProbe([&] {
    past = past || graph_->CurrentChapter() == 2;
    return past ? std::int64_t{1} << 30 : 0;
  });
  PressConvert();
  ASSERT_EQ(observer_->ended.size(), 1u);
  EXPECT_EQ(observer_->ended[0].how, SegmentEnd::SizeLimit);
  EXPECT_EQ(controller_->State().resumeChapter, 2u);
  EXPECT_EQ(Label(ActionButton::Preview), kLabelContinue);
  testing::ExpectPairEndsTogether(observer_->ended[0].info.names.movie);

  controller_->SetSizeProbe([] { return std::int64_t{0}; });
  PressPreview();  // "继续"
  ASSERT_EQ(EndedMovieNames(), (Names{"001001.tmv", "0000101002.tmv"}));
  EXPECT_EQ(observer_->ended[1].how, SegmentEnd::PlayedOut);
  EXPECT_NEAR(MovieSeconds(observer_->ended[1].info.names.movie), 1.7, kOneRecord);
}

// Subtitles of a file, chosen, are drawn onto the pictures they cover and no others: DVD
// subpictures (remuxed from a test disc, shown from 0.2 s) as they are, an SRT line (from 0.5 s)
// rendered as text. Each file is converted twice, without and with its subtitles.
TEST_F(FileSourceTest, SubtitlesOfAFileAreDrawnOntoThePicturesTheyCoverWhenChosen) {
  const std::string disc = testing::TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << testing::DiscError();
  Ffmpeg("-i '" + disc + "/VIDEO_TS/VTS_01_1.VOB' -t 1.5 -map 0:v -map 0:s -c:v mpeg4 -c:s copy subpictures.mkv");
  const std::string text = MakeTwoLanguageMkv();
  struct Case {
    std::string file;
    std::size_t firstShown;  // the first record whose picture the subtitle covers
  };
  const std::vector<Case> cases{{(folder_ / "subpictures.mkv").string(), 3}, {text, 6}};
  for (const Case& file : cases) {
    SCOPED_TRACE(file.file);
    ASSERT_EQ(OpenFile(file.file), 1u);
    ASSERT_EQ(controls_.SubtitleItems().size(), 2u);
    ASSERT_EQ(OpenFile(file.file), 1u);
  }
  for (std::size_t position = 0; position < 4; ++position) list_.At(position)->subtitleChoice = position % 2;
  Set(keys::kBatch, "1");
  const std::size_t before = controls_.Messages().size();
  PressConvert();
  ASSERT_EQ(observer_->ended.size(), 4u);
  EXPECT_EQ(controls_.Messages().size(), before) << controls_.Messages().back().text;
  for (std::size_t pair = 0; pair < 2; ++pair) {
    SCOPED_TRACE(pair);
    const std::vector<std::string> plain = Records(observer_->ended[2 * pair].info.names.movie);
    const std::vector<std::string> subtitled = Records(observer_->ended[2 * pair + 1].info.names.movie);
    ASSERT_EQ(plain.size(), subtitled.size());
    ASSERT_GE(plain.size(), 14u);
    const std::size_t firstShown = cases[pair].firstShown;
    for (std::size_t i = 0; i + 1 < firstShown; ++i) EXPECT_EQ(plain[i], subtitled[i]) << i;
    std::size_t differing = 0;
    for (std::size_t i = firstShown; i < 14; ++i) differing += plain[i] != subtitled[i];
    EXPECT_GE(differing, 1u);
  }
}

}  // namespace
}  // namespace tarn::conv
