// picfit --convert, run as its own process without a display.

#include "picfit_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

namespace picfit {
namespace {

using namespace picfit::testing;

class ConvertCommandTest : public PicfitFolderTest {
 protected:
  void SetUp() override {
    PicfitFolderTest::SetUp();
    QDir(Folder()).mkdir("out");
    SavePicture(MakeGradient(64, 48), Path("one.jpg"), "JPEG");
    SavePicture(MakeGradient(32, 32), Path("two.png"), "PNG");
  }

  struct Run {
    int exitCode = -1;
    QString out, err;
  };
  // Under an English locale unless `locale` names another.
  Run Picfit(const QStringList& arguments, const QString& locale = "C.UTF-8") {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PICFIT_INI", Path("picfit.ini"));
    env.insert("LC_ALL", locale);
    env.remove("LANGUAGE");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(Folder());
    p.start(PICFIT_PROGRAM, QStringList{"--convert"} + arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
  }
  QString Out(const QString& name) const { return Path("out/" + name); }
};

TEST_F(ConvertCommandTest, ConvertsAndPrintsEachOutputPath) {
  const Run r = Picfit(
      {"one.jpg", Path("two.png"), "--mode", "0", "--width", "50", "--height", "20", "--format", "0", "-o", "out"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, Out("one.BMP") + "\n" + Out("two.BMP") + "\n");
  EXPECT_EQ(QImage(Out("one.BMP")).size(), QSize(50, 20));
  EXPECT_EQ(QImage(Out("two.BMP")).size(), QSize(50, 20));
}

TEST_F(ConvertCommandTest, TakesWhatIsNotGivenFromTheSettingsFile) {
  WriteAll(Path("picfit.ini"), "[General]\nSaveDir=" + Path("out/").toUtf8() +
                                   "\nScaleMode=2\nFormat=4\nOverWrite=1\nWidth=10\nHeight=24\n");
  WriteAll(Out("one.BMP"), "keep");
  const Run r = Picfit({"one.jpg"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, Out("one_1.BMP") + "\n");  // OverWrite=1 keeps the old file
  EXPECT_EQ(ReadAll(Out("one.BMP")), "keep");
  const QImage out(Out("one_1.BMP"));
  EXPECT_EQ(out.size(), QSize(32, 24));  // mode 2: 64 * 24 / 48 wide
  EXPECT_EQ(U16(ReadAll(Out("one_1.BMP")), 28), 4);
}

TEST_F(ConvertCommandTest, OverwriteOptionWinsOverTheSettingsFile) {
  WriteAll(Path("picfit.ini"), "[General]\nOverWrite=1\n");
  WriteAll(Out("one.BMP"), "old");
  const Run r = Picfit({"one.jpg", "--overwrite", "--format", "0", "-o", "out"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, Out("one.BMP") + "\n");
  EXPECT_FALSE(QImage(Out("one.BMP")).isNull());
  EXPECT_FALSE(QFileInfo::exists(Out("one_1.BMP")));
}

TEST_F(ConvertCommandTest, HelpNeedsNoDisplay) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  p.setProcessEnvironment(env);
  p.start(PICFIT_PROGRAM, {"--help"});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).startsWith("usage: picfit --convert"));
}

TEST_F(ConvertCommandTest, BadPictureIsReportedAndTheRestContinue) {
  WriteAll(Path("broken.jpg"), "this is no picture");
  const Run r = Picfit({"broken.jpg", "one.jpg", "-o", Path("out/")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("broken.jpg"));
  EXPECT_TRUE(r.err.contains("32509"));
  EXPECT_EQ(r.out, Out("one.BMP") + "\n");
  EXPECT_EQ(U16(ReadAll(Out("one.BMP")), 28), 16);  // the default format
}

TEST_F(ConvertCommandTest, NonsenseOptionsAndUnusableFoldersStopBeforeWriting) {
  const QList<QStringList> bad{{"one.jpg", "--mode", "4", "-o", "out"},
                               {"one.jpg", "--format", "-3", "-o", "out"},
                               {"one.jpg", "--width", "abc", "-o", "out"},
                               {"one.jpg", "--height", "0", "-o", "out"},
                               {"one.jpg", "--colour", "-o", "out"},
                               {"one.jpg", "-o"},
                               {"-o", "out"},
                               {"one.jpg", "-o", "one.jpg/sub"},
                               {"one.jpg", "-o", "one.jpg"}};
  for (const QStringList& args : bad) {
    const Run r = Picfit(args);
    EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_TRUE(r.out.isEmpty());
  }
  EXPECT_TRUE(QDir(Path("out")).isEmpty());
}

TEST_F(ConvertCommandTest, AMissingFileIsSaidToBeMissingAndAMissingFolderIsMade) {
  const Run r = Picfit({"missing.jpg", "one.jpg", "--out", "new/deeper"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "picfit: missing.jpg: no such file\n");
  EXPECT_EQ(r.out, Path("new/deeper/one.BMP") + "\n");
  EXPECT_EQ(Picfit({"one.jpg", "-o", "out", "--quiet"}).out, "");
  EXPECT_EQ(Picfit({"one.jpg", "-o", "out", "--overwrite", "--verbose"}).out, "one.jpg -> " + Out("one.BMP") + "\n");
}

TEST_F(ConvertCommandTest, TheCommandLineSpeaksTheLocalesLanguage) {
  WriteAll(Path("broken.jpg"), "this is no picture");
  const Run english = Picfit({"missing.jpg", "broken.jpg", "-o", "out"});
  EXPECT_TRUE(
      english.err.startsWith("picfit: missing.jpg: no such file\npicfit: broken.jpg: cannot be loaded: the "
                             "format is not supported (error 32509: "))
      << english.err.toStdString();
  const Run chinese = Picfit({"missing.jpg", "broken.jpg", "-o", "out"}, "zh_CN.UTF-8");
  EXPECT_TRUE(
      chinese.err.startsWith(QString::fromUtf8("picfit: missing.jpg：文件不存在\npicfit: broken.jpg：无法装载："
                                               "文件格式不支持！错误号：32509")))
      << chinese.err.toStdString();
  EXPECT_TRUE(Picfit({"--help"}, "zh_CN.UTF-8").out.startsWith(QString::fromUtf8("用法：picfit --convert")));
}

// Without --convert the arguments are the window's: picfit's own are refused before any
// window is tried, and without a display the window is not tried at all.
TEST_F(ConvertCommandTest, WithoutConvertOnlyTheWindowsArgumentsPass) {
  const auto start = [this](const QStringList& arguments, const QString& locale = "C.UTF-8") {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"}) env.remove(name);
    env.insert("LC_ALL", locale);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(Folder());
    p.start(PICFIT_PROGRAM, arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError())};
  };
  const Run version = start({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.startsWith("picfit ")) << version.out.toStdString();
  const Run bogus = start({"--bogus"});
  EXPECT_EQ(bogus.exitCode, 2);
  EXPECT_TRUE(bogus.err.contains("unknown option --bogus")) << bogus.err.toStdString();
  const Run file = start({"one.jpg"});
  EXPECT_EQ(file.exitCode, 2);
  EXPECT_TRUE(file.err.contains("picfit --convert")) << file.err.toStdString();
  const Run window = start({});
  EXPECT_EQ(window.exitCode, 1);
  EXPECT_TRUE(window.err.contains("no display")) << window.err.toStdString();
  EXPECT_TRUE(start({"--bogus"}, "zh_CN.UTF-8").err.contains(QString::fromUtf8("未知选项 --bogus")));
}

}  // namespace
}  // namespace picfit
