// The description read from the information files against what make-test-dvd.sh authored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string_view>
#include <utility>

#include "platform/dvd/disc_description.h"
#include "platform/dvd/drive_search.h"
#include "platform/dvd/dvd_error.h"
#include "tests/support/test_discs.h"

namespace tarn::dvd {
namespace {

using test::Discs;

constexpr int64_t kUnits = 10'000'000;
// The information files hold time codes: whole seconds as labelled, then frames at 29.97 per
// second (60 frames are labelled 00:00:02.00, 45 frames 00:00:01.15).
int64_t NtscTimeCode(int seconds, int frames) { return seconds * kUnits + frames * kUnits * 1001 / 30000; }

class DiscDescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Discs().error.empty()) << Discs().error; }
};

void ExpectAuthoredNtsc(const DiscDescription& disc) {
  ASSERT_EQ(disc.titles.size(), 2u);
  const TitleInfo& first = disc.titles[0];
  EXPECT_EQ(first.number, 1);
  ASSERT_EQ(first.chapters.size(), 4u);
  const int64_t lengths[] = {NtscTimeCode(2, 0), NtscTimeCode(3, 0), NtscTimeCode(2, 0), NtscTimeCode(1, 15)};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(first.chapters[i].length, lengths[i]) << "chapter " << i + 1;
  EXPECT_EQ(first.length, NtscTimeCode(8, 15));
  ASSERT_EQ(first.audio.size(), 2u);
  EXPECT_EQ(first.audio[0].language, "en");
  EXPECT_EQ(first.audio[0].locale, 0x0409u);
  EXPECT_EQ(first.audio[1].language, "fr");
  EXPECT_EQ(first.audio[1].locale, 0x040Cu);
  for (const AudioStreamInfo& audio : first.audio) {
    EXPECT_EQ(audio.format, AudioFormat::kAc3);
    EXPECT_EQ(audio.channels, 2);
  }
  EXPECT_EQ(AudioStreamId(first.audio[1]), 0x81);
  ASSERT_EQ(first.subpictures.size(), 1u);
  EXPECT_EQ(first.subpictures[0].language, "en");
  EXPECT_EQ(first.subpictures[0].physicalId, 0);
  EXPECT_EQ(first.video.standard, VideoStandard::kNtsc);
  EXPECT_EQ(first.video.aspect, AspectRatio::k4x3);
  EXPECT_EQ(first.video.height, 480);

  const TitleInfo& second = disc.titles[1];
  EXPECT_EQ(second.number, 2);
  ASSERT_EQ(second.chapters.size(), 2u);
  EXPECT_EQ(second.length, NtscTimeCode(4, 0));
  EXPECT_EQ(second.audio.size(), 2u);
  EXPECT_EQ(second.subpictures.size(), 1u);
}

TEST_F(DiscDescriptionTest, NtscDiscReadsTheSameFromEveryKindOfPath) {
  const std::string& disc = Discs().ntsc;
  for (const std::string& path : {disc + "/VIDEO_TS/VTS_01_0.IFO", disc + "/VIDEO_TS/VIDEO_TS.IFO", disc + "/VIDEO_TS",
                                  disc + "/VIDEO_TS/", disc, Discs().ntscIso}) {
    SCOPED_TRACE(path);
    ExpectAuthoredNtsc(ReadDiscDescription(path));
  }
  EXPECT_EQ(ReadDiscDescription(disc + "/VIDEO_TS/VTS_01_0.IFO").location.directory, disc + "/VIDEO_TS");
  EXPECT_TRUE(ReadDiscDescription(Discs().ntscIso).location.isImage);
}

TEST_F(DiscDescriptionTest, PalDiscWithMpegAudioLpcmWidescreenAndAStreamWithoutLanguage) {
  for (const std::string& path : {Discs().pal, Discs().palIso}) {
    SCOPED_TRACE(path);
    const DiscDescription disc = ReadDiscDescription(path);
    ASSERT_EQ(disc.titles.size(), 2u);
    const TitleInfo& first = disc.titles[0];
    ASSERT_EQ(first.chapters.size(), 3u);
    for (const ChapterInfo& chapter : first.chapters) EXPECT_EQ(chapter.length, 2 * kUnits);
    EXPECT_EQ(first.video.standard, VideoStandard::kPal);
    EXPECT_EQ(first.video.aspect, AspectRatio::k16x9);
    EXPECT_EQ(first.video.height, 576);
    ASSERT_EQ(first.audio.size(), 2u);
    EXPECT_EQ(first.audio[0].language, "de");
    EXPECT_EQ(first.audio[0].format, AudioFormat::kMpeg1);
    EXPECT_EQ(AudioStreamId(first.audio[0]), 0xC0);
    EXPECT_EQ(first.audio[1].language, "");  // a stream without a language is still a stream
    EXPECT_EQ(first.audio[1].locale, 0u);
    EXPECT_TRUE(first.subpictures.empty());

    const TitleInfo& second = disc.titles[1];
    EXPECT_EQ(second.titleSet, 2);
    EXPECT_EQ(second.video.aspect, AspectRatio::k4x3);
    ASSERT_EQ(second.audio.size(), 1u);
    EXPECT_EQ(second.audio[0].language, "it");
    EXPECT_EQ(second.audio[0].format, AudioFormat::kLpcm);
    EXPECT_EQ(AudioStreamId(second.audio[0]), 0xA0);
  }
}

DvdErrorKind ErrorKindOf(const std::string& path) {
  try {
    ReadDiscDescription(path);
  } catch (const DvdError& error) {
    EXPECT_NE(std::string(error.what()).find(path.substr(0, 8)), std::string::npos) << error.what();
    return error.kind();
  }
  ADD_FAILURE() << path << " was read as a disc";
  return DvdErrorKind::kInvalidArgument;
}

uint32_t BigEndianAt(std::fstream& file, uint32_t offset, int bytes) {
  file.seekg(offset);
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<uint8_t>(file.get());
  return value;
}

void Overwrite(const std::string& file, size_t offset, size_t count) {
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  stream.seekp(static_cast<std::streamoff>(offset));
  for (size_t i = 0; i < count; ++i) stream.put(static_cast<char>(0x5a));
}

TEST_F(DiscDescriptionTest, PathsThatHoldNoDiscAreReportedAsSuch) {
  test::TempDir temp;
  EXPECT_EQ(ErrorKindOf(temp.str() + "/missing"), DvdErrorKind::kNotFound);
  EXPECT_EQ(ErrorKindOf(temp.str()), DvdErrorKind::kNotADisc);
  std::ofstream(temp.str() + "/notes.ifo") << "not an information file";
  EXPECT_EQ(ErrorKindOf(temp.str() + "/notes.ifo"), DvdErrorKind::kNotADisc);
  std::filesystem::create_directory(temp.str() + "/VIDEO_TS");
  EXPECT_EQ(ErrorKindOf(temp.str()), DvdErrorKind::kNotADisc);
  std::ofstream(temp.str() + "/image.iso") << std::string(100000, 'x');
  EXPECT_THROW(ReadDiscDescription(temp.str() + "/image.iso"), DvdError);
}

TEST_F(DiscDescriptionTest, DamagedInformationFilesAndCutImagesEndInAnError) {
  test::TempDir temp;
  // A damaged information file is replaced by its backup, as players do ...
  const std::string withBackup = test::CopyDisc(Discs().ntsc, temp.str(), "backup");
  Overwrite(withBackup + "/VIDEO_TS/VTS_01_0.IFO", 0, 12);
  ExpectAuthoredNtsc(ReadDiscDescription(withBackup));
  // ... and when both are damaged the disc cannot be described.
  const std::string broken = test::CopyDisc(Discs().ntsc, temp.str(), "broken");
  Overwrite(broken + "/VIDEO_TS/VTS_01_0.IFO", 0, 12);
  Overwrite(broken + "/VIDEO_TS/VTS_01_0.BUP", 0, 12);
  EXPECT_EQ(ErrorKindOf(broken), DvdErrorKind::kDamaged);
  // Program chain table damaged in both copies: wild cell numbers must not be followed.
  const std::string chains = test::CopyDisc(Discs().ntsc, temp.str(), "chains");
  for (const char* file : {"/VIDEO_TS/VTS_01_0.IFO", "/VIDEO_TS/VTS_01_0.BUP"}) Overwrite(chains + file, 0x1000, 0x800);
  EXPECT_THROW(ReadDiscDescription(chains), DvdError);

  // Tables of an information file and its backup that are cut short or absurd: damaged, and
  // the process lives on. On all but the first, libdvdread itself would free memory twice,
  // overrun a buffer or follow a null pointer while giving up on them.
  const auto put = [](std::fstream& file, uint32_t offset, std::string_view bytes) {
    file.seekp(offset);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  const auto titleTableLastByte = [](std::fstream& file) { return BigEndianAt(file, 0xC4, 4) * 2048 + 4; };
  const std::pair<const char*, std::function<void(std::fstream&)>> damages[] = {
      // The title table's last byte 64 MiB on, or before the end of the table's own header.
      {"VIDEO_TS",
       [&](std::fstream& file) {
         put(file, titleTableLastByte(file), {"\x04\0\0\0", 4});
       }},
      {"VIDEO_TS",
       [&](std::fstream& file) {
         put(file, titleTableLastByte(file), {"\0\0\0\x03", 4});
       }},
      // First-play commands counted past the end of the file.
      {"VIDEO_TS",
       [&](std::fstream& file) {
         const uint32_t chain = BigEndianAt(file, 0x84, 4);
         put(file, chain + BigEndianAt(file, chain + 0xE4, 2), "\xFF");
       }},
      // Both title chains at one place past the end of the file.
      {"VTS_01_0",
       [&](std::fstream& file) {
         const uint32_t table = BigEndianAt(file, 0xCC, 4) * 2048;
         for (const uint32_t entry : {table + 12, table + 20}) put(file, entry, {"\x7F\0\0\0", 4});
       }},
      // Menus in the last sector whose language unit's chain table counts a chain in its
      // header, the file's last 8 bytes, and has no room for it.
      {"VTS_01_0",
       [&](std::fstream& file) {
         put(file, 0xD0, {"\0\0\0\x05", 4});
         put(file, 5 * 2048,
             {"\0\x01\0\0\0\0\x07\xFF"
              "en\0\x80\0\0\x07\xF8",
              16});
         put(file, 6 * 2048 - 8, {"\0\x01\0\0\0\0\0\x0F", 8});
       }},
      // A cell address table whose last byte lies just short of 4 GiB.
      {"VTS_01_0", [&](std::fstream& file) { put(file, BigEndianAt(file, 0xE0, 4) * 2048 + 4, "\xFF\xFF\xFF\xFE"); }},
      // A title set's file that says it is a manager, with its title table at the end of the
      // file (libdvdread reads it as what it says it is).
      {"VTS_01_0",
       [&](std::fstream& file) {
         put(file, 0, "DVDVIDEO-VMG");
         put(file, 0xC4, {"\0\0\0\x06", 4});
       }},
      // Menus whose one language unit's chain table lies at 0xFFFFFFFF, where libdvdread's seek
      // fails unnoticed and it reads the table from behind the units: two chains at one place
      // past the end of the file.
      {"VIDEO_TS",
       [&](std::fstream& file) {
         put(file, 0xC8, {"\0\0\0\x02", 4});
         put(file, 2 * 2048,
             {"\0\x01\0\0\0\0\x0F\xFF"
              "en\0\x80\xFF\xFF\xEF\xFF"
              "\0\x02\0\0\0\0\x0F\xFF"
              "\x81\0\0\0\x7F\0\0\0"
              "\x82\0\0\0\x7F\0\0\0",
              40});
       }},
  };
  for (size_t i = 0; i < std::size(damages); ++i) {
    const std::string disc = test::CopyDisc(Discs().ntsc, temp.str(), "tables" + std::to_string(i));
    for (const char* extension : {".IFO", ".BUP"}) {
      std::fstream file(disc + "/VIDEO_TS/" + damages[i].first + extension,
                        std::ios::in | std::ios::out | std::ios::binary);
      damages[i].second(file);
    }
    EXPECT_EQ(ErrorKindOf(disc), DvdErrorKind::kDamaged) << disc;
  }

  for (const uintmax_t keep : {uintmax_t{40000}, uintmax_t{300000}}) {
    const std::string cut = temp.str() + "/cut" + std::to_string(keep) + ".iso";
    std::filesystem::copy_file(Discs().ntscIso, cut);
    std::filesystem::resize_file(cut, keep);
    EXPECT_THROW(ReadDiscDescription(cut), DvdError) << "image cut to " << keep << " bytes";
  }
}

TEST_F(DiscDescriptionTest, DriveSearchFindsAMountedDiscVolumeAndOtherwiseSaysWhereItLooked) {
  test::TempDir temp;
  DriveSearchPlaces places;
  places.mountTable = temp.str() + "/mounts";
  places.deviceFolder = temp.str() + "/dev";
  std::filesystem::create_directory(places.deviceFolder);
  {
    std::ofstream table(places.mountTable);
    table << "proc /proc proc rw 0 0\n/dev/sda1 " << temp.str() << " ext4 rw 0 0\n";
  }
  try {
    FindDiscInDrives(places);
    ADD_FAILURE() << "found a disc where there is none";
  } catch (const DvdError& error) {
    EXPECT_EQ(error.kind(), DvdErrorKind::kNotFound);
    EXPECT_NE(std::string(error.what()).find("no DVD-Video disc"), std::string::npos) << error.what();
  }
  // A mounted UDF volume whose mount point has a blank, written as the table escapes it.
  const std::string volume = test::CopyDisc(Discs().ntsc, temp.str(), "DVD VOLUME");
  {
    std::ofstream table(places.mountTable, std::ios::app);
    table << "/dev/sr0 " << temp.str() << "/DVD\\040VOLUME udf ro 0 0\n";
  }
  EXPECT_EQ(FindDiscInDrives(places).readerPath, volume);
}

}  // namespace
}  // namespace tarn::dvd
