// Playing runs of chapters from the authored discs: the right pictures, tones and subpictures,
// one continuous timeline, a clean stop, and bounded ends on damaged or looping discs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/dvd/chapter_player.h"
#include "platform/dvd/disc_path.h"
#include "platform/dvd/dvd_error.h"
#include "platform/dvd/nav_pack.h"
#include "platform/dvd/ps_demuxer.h"
#include "tests/dvd/es_decoder.h"
#include "tests/support/test_discs.h"

namespace tarn::dvd {
namespace {

using test::Discs;

constexpr double kUnits = 1e7;
double Seconds(int64_t units) { return static_cast<double>(units) / kUnits; }

struct Rgb {
  int r, g, b;
};

// The chapter colours of make-test-dvd.sh.
const std::map<std::string, Rgb> kColours{
    {"red", {255, 0, 0}},       {"green", {0, 128, 0}},  {"blue", {0, 0, 255}},      {"yellow", {255, 255, 0}},
    {"magenta", {255, 0, 255}}, {"cyan", {0, 255, 255}}, {"white", {255, 255, 255}}, {"gray", {128, 128, 128}}};

// The named colour nearest to a YUV 4:2:0 sample, by BT.601 limited-range conversion.
std::string NearestColour(int y, int u, int v) {
  const double luma = 1.164 * (y - 16);
  const Rgb seen{static_cast<int>(luma + 1.596 * (v - 128)),
                 static_cast<int>(luma - 0.392 * (u - 128) - 0.813 * (v - 128)),
                 static_cast<int>(luma + 2.017 * (u - 128))};
  std::string best;
  int bestDistance = 1 << 30;
  for (const auto& [name, rgb] : kColours) {
    const int distance =
        (rgb.r - seen.r) * (rgb.r - seen.r) + (rgb.g - seen.g) * (rgb.g - seen.g) + (rgb.b - seen.b) * (rgb.b - seen.b);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best;
}

// Frequency of a tone by its zero crossings.
double ToneFrequency(const std::vector<float>& samples, int rate) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) crossings += (samples[i - 1] < 0) != (samples[i] < 0);
  return samples.empty() ? 0 : crossings / 2.0 / (static_cast<double>(samples.size()) / rate);
}

struct VideoPacket {
  int64_t time;
  size_t cell;
};

// Everything one playback delivered.
struct Playback {
  std::vector<PlayLocation> cells;
  std::vector<std::string> frameColours;    // per decoded picture, in display order
  std::vector<VideoPacket> videoTimes;      // video packets that carried a time stamp
  std::map<int, std::vector<float>> audio;  // AC-3 stream -> left channel samples
  std::map<int, int64_t> firstAudioTime;
  std::map<int, int64_t> lastAudioTime;  // start of the last audio packet that belongs to the run
  int tailSectors = 0;
  std::vector<std::vector<uint8_t>> subpictures;
  std::vector<LpcmFormat> lpcmFormats;
  std::vector<uint8_t> lpcm;
  int palettes = 0;
  PlayerEvent stop;
  uint64_t damagedPackets = 0;
};

Playback Play(ChapterPlayer& player) {
  Playback result;
  test::EsDecoder video(AV_CODEC_ID_MPEG2VIDEO, [&](const AVFrame& frame) {
    result.frameColours.push_back(NearestColour(frame.data[0][40 * frame.linesize[0] + 40],
                                                frame.data[1][20 * frame.linesize[1] + 20],
                                                frame.data[2][20 * frame.linesize[2] + 20]));
  });
  std::map<int, std::unique_ptr<test::EsDecoder>> ac3;
  bool inTail = false;
  int64_t runEnd = 0;
  PsDemuxer demuxer([&](const ElementaryPacket& packet) {
    // Past the wanted chapters only audio that starts before their end belongs to them.
    if (inTail && (packet.kind != StreamKind::kAudio || packet.time >= runEnd)) return;
    if (packet.kind == StreamKind::kAudio && packet.hasTime) result.lastAudioTime[packet.stream] = packet.time;
    if (packet.codec == PacketCodec::kMpegVideo) {
      if (packet.hasTime) result.videoTimes.push_back({packet.time, result.cells.size() - 1});
      video.Push(packet.data);
    } else if (packet.codec == PacketCodec::kAc3) {
      if (!packet.timeKnown) return;  // the end of a frame begun before the run: no sound of it
      auto& decoder = ac3[packet.stream];
      if (!decoder) {
        std::vector<float>& samples = result.audio[packet.stream];
        decoder = std::make_unique<test::EsDecoder>(AV_CODEC_ID_AC3, [&samples](const AVFrame& frame) {
          const auto* left = reinterpret_cast<const float*>(frame.extended_data[0]);
          samples.insert(samples.end(), left, left + frame.nb_samples);
        });
        result.firstAudioTime[packet.stream] = packet.time;
      }
      decoder->Push(packet.data);
    } else if (packet.codec == PacketCodec::kSubpicture) {
      result.subpictures.emplace_back(packet.data.begin(), packet.data.end());
    } else if (packet.codec == PacketCodec::kLpcm) {
      result.lpcmFormats.push_back(packet.lpcm);
      result.lpcm.insert(result.lpcm.end(), packet.data.begin(), packet.data.end());
    }
  });
  for (;;) {
    PlayerEvent event = player.Next();
    if (event.kind == PlayerEventKind::kSector || event.kind == PlayerEventKind::kTailSector) {
      inTail = event.kind == PlayerEventKind::kTailSector;
      runEnd = event.location.time;
      result.tailSectors += inTail ? 1 : 0;
      demuxer.PushSector(event.sector, event.timeOffset);
    } else if (event.kind == PlayerEventKind::kCellChange) {
      result.cells.push_back(event.location);
    } else if (event.kind == PlayerEventKind::kPaletteChange) {
      ++result.palettes;
    } else {
      result.stop = event;
      break;
    }
  }
  video.Flush();
  for (auto& [stream, decoder] : ac3) decoder->Flush();
  result.damagedPackets = demuxer.damagedPackets();
  return result;
}

class ChapterPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Discs().error.empty()) << Discs().error; }
};

TEST_F(ChapterPlayerTest, ChaptersTwoAndThreeDeliverExactlyTheirPicturesTonesAndSubpicturesThenStop) {
  ChapterPlayer player(ResolveDiscPath(Discs().ntsc));
  player.PlayChapters(1, 2, 2);
  const Playback playback = Play(player);

  EXPECT_EQ(playback.stop.error, "");
  EXPECT_TRUE(player.stopped());
  ASSERT_EQ(playback.cells.size(), 2u);
  EXPECT_EQ(playback.cells[0].chapter, 2);
  EXPECT_EQ(playback.cells[1].chapter, 3);
  EXPECT_EQ(playback.cells[0].title, 1);
  // Chapter 2 has 90 pictures (green), chapter 3 has 60 (blue), nothing of chapters 1 or 4.
  std::vector<std::string> expected(90, "green");
  expected.insert(expected.end(), 60, "blue");
  EXPECT_EQ(playback.frameColours, expected);
  EXPECT_NEAR(Seconds(playback.stop.location.time), 150 * 1001 / 30000.0, 0.001);
  // Known before the first sector: the end the run then reaches.
  ASSERT_TRUE(player.runLength().has_value());
  EXPECT_EQ(*player.runLength(), playback.stop.location.time);
  EXPECT_EQ(playback.palettes, 1);

  ASSERT_EQ(playback.audio.size(), 2u);
  // Each chapter's tone starts afresh, so the count is a few percent off at the joins.
  EXPECT_NEAR(ToneFrequency(playback.audio.at(0), 48000), 440, 25);  // "en"
  EXPECT_NEAR(ToneFrequency(playback.audio.at(1), 48000), 880, 45);  // "fr"
  // Each chapter carries one subtitle; both are whole units that decode to a picture.
  ASSERT_EQ(playback.subpictures.size(), 2u);
  for (const auto& unit : playback.subpictures) EXPECT_GE(test::SubpictureRectangles(unit), 1);
  EXPECT_EQ(playback.damagedPackets, 0u);
}

TEST_F(ChapterPlayerTest, AChapterRunsOnOverAProgramThatIsNoChapter) {
  // Title 1 of the edge disc: one colour per cell; chapter 2 begins with the program of cell 3,
  // and the program of cells 5 and 6 is no chapter, so chapter 3 begins with cell 7.
  ChapterPlayer player(ResolveDiscPath(Discs().edge));
  player.PlayChapters(1, 2, 1);
  const Playback playback = Play(player);
  EXPECT_EQ(playback.stop.error, "");
  std::vector<std::string> expected;
  for (const char* colour : {"blue", "yellow", "magenta", "cyan"}) expected.insert(expected.end(), 30, colour);
  EXPECT_EQ(playback.frameColours, expected);
  EXPECT_NEAR(Seconds(playback.stop.location.time), 120 * 1001 / 30000.0, 0.001);
}

TEST_F(ChapterPlayerTest, TimesRunOnOneTimelineAcrossCellsAndChapters) {
  ChapterPlayer player(ResolveDiscPath(Discs().ntscIso));
  player.PlayChapters(1, 1, 4);
  const Playback playback = Play(player);
  ASSERT_EQ(playback.cells.size(), 4u);
  // Each chapter's VOB restarts its own time stamps; on the timeline each cell follows the last.
  const double starts[] = {0, 60, 150, 210};
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(Seconds(playback.cells[i].time), starts[i] * 1001 / 30000, 0.001) << i;
  int64_t previousCellLatest = -1;
  for (size_t cell = 0; cell < 4; ++cell) {
    int64_t earliest = INT64_MAX;
    int64_t latest = INT64_MIN;
    for (const VideoPacket& packet : playback.videoTimes) {
      if (packet.cell != cell) continue;
      earliest = std::min(earliest, packet.time);
      latest = std::max(latest, packet.time);
    }
    ASSERT_NE(earliest, INT64_MAX) << "no timed video in cell " << cell;
    EXPECT_GT(earliest, previousCellLatest) << "cell " << cell << " goes back in time";
    EXPECT_GE(earliest, playback.cells[cell].time);
    previousCellLatest = latest;
  }
  EXPECT_LT(previousCellLatest, playback.stop.location.time);
  EXPECT_EQ(playback.frameColours.size(), 255u);
  // Four source VOBs spliced: the length measured up front is the whole title's.
  ASSERT_TRUE(player.runLength().has_value());
  EXPECT_NEAR(Seconds(*player.runLength()), 255 * 1001 / 30000.0, 0.001);
  EXPECT_EQ(*player.runLength(), playback.stop.location.time);
  // Audio starts with the pictures, not a VOB's worth of time away.
  EXPECT_NEAR(Seconds(playback.firstAudioTime.at(0)), 0, 0.05);
}

TEST_F(ChapterPlayerTest, PlayingOnFromAChapterEndsWithTheTitleNotWhereItsCommandsLead) {
  // Title 1's post command jumps to title 2; playing from chapter 3 ends with title 1.
  ChapterPlayer player(ResolveDiscPath(Discs().ntsc));
  EXPECT_EQ(player.TitleCount(), 2);
  EXPECT_EQ(player.ChapterCount(1), 4);
  player.PlayFromChapter(1, 3);
  const Playback playback = Play(player);
  ASSERT_EQ(playback.cells.size(), 2u);
  EXPECT_EQ(playback.cells[1].chapter, 4);
  EXPECT_EQ(playback.frameColours.front(), "blue");
  EXPECT_EQ(playback.frameColours.back(), "yellow");
  EXPECT_EQ(playback.stop.error, "");

  // The same player plays another title next; its timeline starts again at 0.
  player.PlayChapters(2, 2, 1);
  const Playback second = Play(player);
  ASSERT_EQ(second.cells.size(), 1u);
  EXPECT_EQ(second.cells[0].time, 0);
  EXPECT_EQ(second.frameColours, std::vector<std::string>(60, "cyan"));
}

TEST_F(ChapterPlayerTest, SoundOfARunCoversItsPicturesWhereOneMultiplexIsCutIntoChapters) {
  // Title 2 is one multiplex cut into two chapters. Its audio runs about half a second behind
  // the video, so the sound of chapter 1's end lies in chapter 2's cell ...
  ChapterPlayer player(ResolveDiscPath(Discs().ntsc));
  player.PlayChapters(2, 1, 1);
  const Playback first = Play(player);
  EXPECT_EQ(first.frameColours, std::vector<std::string>(60, "magenta"));
  const double end = Seconds(first.stop.location.time);
  EXPECT_NEAR(end, 60 * 1001 / 30000.0, 0.001);
  EXPECT_GT(first.tailSectors, 0);
  for (const int stream : {0, 1}) {
    EXPECT_NEAR(Seconds(first.firstAudioTime.at(stream)), 0, 0.05);
    // The decoded sound reaches the end of the pictures; the tail adds no packet that starts
    // after it.
    const double soundEnd =
        Seconds(first.firstAudioTime.at(stream)) + static_cast<double>(first.audio.at(stream).size()) / 48000;
    EXPECT_GT(soundEnd, end - 0.05) << "stream " << stream;
    EXPECT_LT(Seconds(first.lastAudioTime.at(stream)), end);
  }
  EXPECT_NEAR(ToneFrequency(first.audio.at(1), 48000), 880, 45);

  // ... and chapter 2 alone begins with audio from before its first picture, which lies
  // before 0 on the timeline for the layer above to cut.
  player.PlayChapters(2, 2, 1);
  const Playback second = Play(player);
  EXPECT_EQ(second.frameColours, std::vector<std::string>(60, "cyan"));
  EXPECT_LT(Seconds(second.firstAudioTime.at(0)), -0.2);
  EXPECT_EQ(second.tailSectors, 0);  // the last cell of the title: nothing follows
}

TEST_F(ChapterPlayerTest, LpcmTitleOfAnotherTitleSet) {
  ChapterPlayer player(ResolveDiscPath(Discs().palIso));
  player.PlayChapters(2, 1, 1);
  const Playback playback = Play(player);
  EXPECT_EQ(playback.stop.error, "");
  ASSERT_FALSE(playback.lpcmFormats.empty());
  EXPECT_EQ(playback.lpcmFormats.front().bitsPerSample, 16);
  EXPECT_EQ(playback.lpcmFormats.front().sampleRate, 48000);
  EXPECT_EQ(playback.lpcmFormats.front().channels, 2);
  // Big-endian 16-bit stereo that plays the authored 330 Hz tone: a header byte left in or a
  // byte lost would shift every later sample and the tone with it.
  ASSERT_EQ(playback.lpcm.size() % 4, 0u);
  std::vector<float> left;
  for (size_t i = 0; i + 3 < playback.lpcm.size(); i += 4) {
    left.push_back(static_cast<float>(static_cast<int16_t>((playback.lpcm[i] << 8) | playback.lpcm[i + 1])));
  }
  EXPECT_GT(left.size(), 48000u * 18 / 10);
  EXPECT_NEAR(ToneFrequency(left, 48000), 330, 10);
  EXPECT_EQ(playback.frameColours.size(), 50u);
}

TEST_F(ChapterPlayerTest, ChaptersATitleDoesNotHaveAreRefused) {
  ChapterPlayer player(ResolveDiscPath(Discs().ntsc));
  for (const auto& [title, first, count] :
       {std::tuple{1, 4, 2}, std::tuple{1, 0, 1}, std::tuple{3, 1, 1}, std::tuple{1, 1, 0}}) {
    try {
      player.PlayChapters(title, first, count);
      ADD_FAILURE() << "title " << title << " chapters " << first << "+" << count << " accepted";
    } catch (const DvdError& error) {
      EXPECT_EQ(error.kind(), DvdErrorKind::kInvalidArgument) << error.what();
    }
  }
  EXPECT_TRUE(player.stopped());
  EXPECT_EQ(player.Next().kind, PlayerEventKind::kStop);
}

TEST_F(ChapterPlayerTest, NavigationThatLoopsThroughMenusDoesNotKeepTheTitleFromPlaying) {
  // The loop disc's first-play program, menu and title pre command send a command-running
  // player round in circles for ever; the title's own cells still play.
  ChapterPlayer player(ResolveDiscPath(Discs().loop));
  player.PlayChapters(1, 1, 1);
  const Playback playback = Play(player);
  EXPECT_EQ(playback.stop.error, "");
  EXPECT_EQ(playback.frameColours, std::vector<std::string>(30, "red"));
}

TEST_F(ChapterPlayerTest, DamagedVideoFilesEndPlaybackWithAnError) {
  test::TempDir temp;
  const std::string cut = test::CopyDisc(Discs().ntsc, temp.str(), "cut");
  const std::string cutVob = cut + "/VIDEO_TS/VTS_01_1.VOB";
  std::filesystem::resize_file(cutVob, 300000);
  {
    ChapterPlayer player(ResolveDiscPath(cut));
    player.PlayChapters(1, 1, 4);
    const Playback playback = Play(player);
    EXPECT_NE(playback.stop.error.find("cut short"), std::string::npos) << playback.stop.error;
    EXPECT_EQ(playback.frameColours.front(), "red");  // what was there still played
    EXPECT_TRUE(player.stopped());
  }
  {
    // Every whole sector before the cut is handed out, in order, however the reads are cut
    // up: the title's VOBUs follow each other from the file's start, and only the navigation
    // packs are kept back.
    std::ifstream vob(cutVob, std::ios::binary);
    std::vector<std::vector<uint8_t>> expected;
    for (std::vector<uint8_t> sector(kSectorSize); vob.read(reinterpret_cast<char*>(sector.data()), kSectorSize);) {
      if (!ParseNavPack(sector)) expected.push_back(sector);
    }
    ChapterPlayer player(ResolveDiscPath(cut));
    player.PlayChapters(1, 1, 4);
    std::vector<std::vector<uint8_t>> delivered;
    for (PlayerEvent event = player.Next(); event.kind != PlayerEventKind::kStop; event = player.Next()) {
      if (event.kind == PlayerEventKind::kSector) delivered.emplace_back(event.sector.begin(), event.sector.end());
    }
    EXPECT_EQ(delivered.size(), expected.size());
    EXPECT_TRUE(delivered == expected);
  }
  // Garbage where the navigation packs should be: no wild jumps, an error.
  const std::string garbage = test::CopyDisc(Discs().ntsc, temp.str(), "garbage");
  {
    std::fstream vob(garbage + "/VIDEO_TS/VTS_01_1.VOB", std::ios::in | std::ios::out | std::ios::binary);
    vob.seekp(0);
    for (int i = 0; i < 400000; ++i) vob.put(static_cast<char>((i * 7919) & 0xff));
  }
  {
    ChapterPlayer player(ResolveDiscPath(garbage));
    player.PlayChapters(1, 1, 4);
    const Playback playback = Play(player);
    EXPECT_NE(playback.stop.error.find("navigation pack"), std::string::npos) << playback.stop.error;
  }
  // An image cut short inside its video: the information files still read, playing ends where
  // the data does.
  const std::string image = temp.str() + "/cut.iso";
  std::filesystem::copy_file(Discs().ntscIso, image);
  std::filesystem::resize_file(image, std::filesystem::file_size(image) - 700000);
  {
    ChapterPlayer player(ResolveDiscPath(image));
    player.PlayChapters(2, 1, 2);
    const Playback playback = Play(player);
    EXPECT_NE(playback.stop.error.find("cut short"), std::string::npos) << playback.stop.error;
  }
  // Something that is no disc at all.
  std::ofstream(temp.str() + "/text.iso") << std::string(300000, 't');
  EXPECT_THROW(ChapterPlayer(ResolveDiscPath(temp.str() + "/text.iso")).PlayChapters(1, 1, 1), DvdError);
}

}  // namespace
}  // namespace tarn::dvd
