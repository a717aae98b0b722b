// picfit.ini: the profile-file reader and writer and the seven settings.

#include "picfit/engine/ini_file.h"
#include "picfit/engine/picfit_settings.h"
#include "picfit_test_support.h"

#include <QDir>

namespace picfit {
namespace {

using namespace picfit::testing;

class SettingsTest : public PicfitFolderTest {
 protected:
  QString Ini() const { return Path("picfit.ini"); }
};

TEST_F(SettingsTest, LocationFollowsTheEnvironment) {
  EXPECT_EQ(PicfitIniPath(), Ini());
  qunsetenv("PICFIT_INI");
  qputenv("XDG_CONFIG_HOME", Folder().toLocal8Bit());
  EXPECT_EQ(PicfitIniPath(), Folder() + "/picfit.ini");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(PicfitIniPath(), QDir::homePath() + "/.config/picfit.ini");
}

TEST_F(SettingsTest, MissingFileGivesTheDefaults) {
  const PicfitSettings s = ReadPicfitSettings(Ini());
  EXPECT_EQ(s.saveDir, HomeFolder());
  EXPECT_EQ(s.openDir, HomeFolder());
  EXPECT_EQ(s.scaleMode, 1);
  EXPECT_EQ(s.format, 1);
  EXPECT_EQ(s.overWrite, 0);
  EXPECT_EQ(s.width, 240);
  EXPECT_EQ(s.height, 160);
  EXPECT_FALSE(QFile::exists(Ini()));  // reading creates nothing
}

TEST_F(SettingsTest, WrittenInTableOrderAndReadBack) {
  PicfitSettings s;
  s.saveDir = Folder() + "/out/";
  s.openDir = "/pictures/";
  s.scaleMode = 2;
  s.format = 4;
  s.overWrite = 1;
  s.width = 250;
  s.height = 0;
  ASSERT_TRUE(WritePicfitSettings(Ini(), s));
  const QString expected = "[General]\nSaveDir=" + Folder() +
                           "/out/\nOpenDir=/pictures/\nScaleMode=2\nFormat=4\nOverWrite=1\nWidth=250\nHeight=0\n";
  EXPECT_EQ(QString::fromUtf8(ReadAll(Ini())), expected);

  const PicfitSettings back = ReadPicfitSettings(Ini());
  EXPECT_EQ(back.saveDir, s.saveDir);
  EXPECT_EQ(back.openDir, s.openDir);
  EXPECT_EQ(back.scaleMode, 2);
  EXPECT_EQ(back.format, 4);
  EXPECT_EQ(back.overWrite, 1);
  EXPECT_EQ(back.width, 250);
  EXPECT_EQ(back.height, 0);
  EXPECT_EQ(QDir(Folder()).entryList(QDir::Files), QStringList{"picfit.ini"});  // no temporary left behind
}

TEST_F(SettingsTest, NonsenseValuesFallBackOrAreClamped) {
  WriteAll(Ini(),
           "[general]\nscalemode=7\nFORMAT=-3\nOverWrite=yes\nWidth=abc\nHeight=9999\n"
           "SaveDir=C:\\pictures\\out\nOpenDir=\n");
  const PicfitSettings s = ReadPicfitSettings(Ini());
  EXPECT_EQ(s.scaleMode, 1);
  EXPECT_EQ(s.format, 1);
  EXPECT_EQ(s.overWrite, 0);
  EXPECT_EQ(s.width, 240);
  EXPECT_EQ(s.height, 640);
  EXPECT_EQ(s.saveDir, HomeFolder() + "pictures/out/");
  EXPECT_EQ(s.openDir, HomeFolder());

  WriteAll(Ini(), "[General]\nWidth=-5\nHeight=12\n");
  EXPECT_EQ(ReadPicfitSettings(Ini()).width, 0);
  EXPECT_EQ(ReadPicfitSettings(Ini()).height, 12);
}

TEST_F(SettingsTest, StoredFolders) {
  EXPECT_EQ(LocalFolder("c:\\"), HomeFolder());
  EXPECT_EQ(LocalFolder("C:\\a\\b"), HomeFolder() + "a/b/");
  EXPECT_EQ(LocalFolder("/srv/pics"), "/srv/pics/");
  EXPECT_EQ(LocalFolder(QString("/srv/pics/") + QChar(u'\0') + "a.jpg"), "/srv/pics/");
}

TEST_F(SettingsTest, IniKeepsOtherSectionsAndKeysAndIgnoresCase) {
  WriteAll(Ini(), "; picfit\n[Other]\nWidth=1\n\n[GENERAL]\nExtra=keep me\nwidth=5\n\n[Last]\nx=y\n");
  ASSERT_TRUE(WriteIniValue(Ini(), "General", "Width", "300"));
  ASSERT_TRUE(WriteIniValue(Ini(), "general", "Height", "100"));
  ASSERT_TRUE(WriteIniValue(Ini(), "New", "Key", "v"));
  EXPECT_EQ(ReadIniValue(Ini(), "general", "WIDTH", "d"), "300");
  EXPECT_EQ(ReadIniValue(Ini(), "General", "Height", "d"), "100");
  EXPECT_EQ(ReadIniValue(Ini(), "Other", "Width", "d"), "1");
  EXPECT_EQ(ReadIniValue(Ini(), "General", "Extra", "d"), "keep me");
  EXPECT_EQ(ReadIniValue(Ini(), "Last", "x", "d"), "y");
  EXPECT_EQ(ReadIniValue(Ini(), "New", "Key", "d"), "v");
  EXPECT_EQ(ReadIniValue(Ini(), "General", "Missing", "fallback"), "fallback");
  EXPECT_EQ(ReadIniValue(Path("none.ini"), "General", "Width", "240"), "240");
  EXPECT_TRUE(
      QString::fromUtf8(ReadAll(Ini()))
          .startsWith("; picfit\n[Other]\nWidth=1\n\n[GENERAL]\nExtra=keep me\nWidth=300\nHeight=100\n\n[Last]"));
}

// A file from elsewhere: byte-order mark, CRLF, binary bytes, 40-digit numbers, a 2 MB line,
// lines without '=', the section twice. What can be read is read, the rest takes defaults or
// is clamped, and a write keeps every line it does not own byte for byte, in the file's endings.
TEST_F(SettingsTest, HostileFileIsReadAsFarAsItCanAndItsOtherLinesSurviveAWrite) {
  const QByteArray forty = "1234567890123456789012345678901234567890";
  QByteArray hostile = "\xEF\xBB\xBF[General]\r\nno equals sign here\r\n";
  hostile += QByteArray(
      "\x01\x02\xFF\x00"
      "binary=\x7F\r\n",
      14);
  hostile += "Width=" + forty + "\r\nHeight=-" + forty + "\r\nHuge=" + QByteArray(2 << 20, 'x') + "\r\n";
  hostile += "[Other]\r\nkeep=me\r\n[General]\r\nFormat=4\r\nScaleMode=" + forty + "\r\n";
  WriteAll(Ini(), hostile);

  const PicfitSettings read = ReadPicfitSettings(Ini());
  EXPECT_GE(read.width, 0);
  EXPECT_LE(read.width, 960);
  EXPECT_GE(read.height, 0);
  EXPECT_LE(read.height, 640);
  EXPECT_EQ(read.format, 1);  // only the first [General] counts, as with the Windows functions

  ASSERT_TRUE(WritePicfitSettings(Ini(), read));
  const QByteArray written = ReadAll(Ini());
  for (const QByteArray& kept : {QByteArray("no equals sign here\r\n"),
                                 QByteArray("\x01\x02\xFF\x00"
                                            "binary=\x7F\r\n",
                                            14),
                                 "Huge=" + QByteArray(2 << 20, 'x') + "\r\n", QByteArray("[Other]\r\nkeep=me\r\n")})
    EXPECT_TRUE(written.contains(kept)) << kept.left(40).toStdString();
  EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF[General]\r\n"));
  EXPECT_TRUE(written.contains("Width=" + QByteArray::number(read.width) + "\r\n"));
}

TEST_F(SettingsTest, LongValuesAreCutTo255Characters) {
  ASSERT_TRUE(WriteIniValue(Ini(), "General", "SaveDir", QString(400, 'x')));
  EXPECT_EQ(ReadIniValue(Ini(), "General", "SaveDir", "").size(), 255);
}

TEST_F(SettingsTest, UnwritableLocationFailsWithoutTouchingTheOldFile) {
  WriteAll(Path("blocker"), "a file where a folder should be");
  QString error;
  EXPECT_FALSE(WritePicfitSettings(Path("blocker/picfit.ini"), PicfitSettings{}, &error));
  EXPECT_TRUE(error.contains("blocker"));
  EXPECT_EQ(ReadAll(Path("blocker")), "a file where a folder should be");
}

}  // namespace
}  // namespace picfit
