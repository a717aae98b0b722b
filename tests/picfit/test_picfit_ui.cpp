// picfit's windows driven like a user on the offscreen platform: every
// modal question goes to scripted prompts, settings live in a private
// picfit.ini and all files in a fresh temporary folder per test.

#include "picfit/ui/about_box.h"
#include "picfit/ui/folder_list.h"
#include "picfit/ui/folder_picker.h"
#include "picfit/ui/picfit_window.h"
#include "picfit/ui/preview_pane.h"
#include "picfit/ui/prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Fontconfig keeps its font caches until the process ends; under the leak
// checker they are not ours to answer for.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// Readable failure output for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace picfit::ui {
namespace {

struct Message {
  MessageIcon icon;
  QString title;
  QString text;
};

// Answers the windows' questions from a script and records what they said.
class ScriptedPrompts final : public Prompts {
 public:
  std::vector<Message> messages;
  std::deque<QStringList> fileAnswers;
  std::deque<std::optional<QString>> textAnswers;
  std::vector<QString> textPrompts;
  std::function<int(QDialog&)> onModal = [](QDialog&) { return int(QDialog::Rejected); };
  std::vector<QString> startedPrograms;
  bool programStarts = true;
  OpenFilesRequest lastOpenRequest;

  void message(QWidget*, MessageIcon icon, const QString& title, const QString& text) override {
    messages.push_back({icon, title, text});
  }
  QStringList openFiles(QWidget*, const OpenFilesRequest& request) override {
    lastOpenRequest = request;
    if (fileAnswers.empty()) return {};
    QStringList answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
  }
  std::optional<QString> askText(QWidget*, const QString& title, const QString& prompt) override {
    textPrompts.push_back(title + QLatin1Char('|') + prompt);
    if (textAnswers.empty()) return std::nullopt;
    std::optional<QString> answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
  }
  int runModal(QDialog& dialog) override { return onModal(dialog); }
  bool startProgram(const QString& program, const QStringList&) override {
    startedPrograms.push_back(program);
    return programStarts;
  }
};

QApplication& application() {
  static int argc = 1;
  static char name[] = "test_picfit_ui";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QApplication> app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
  }();
  return *app;
}

template <typename T>
T* child(QWidget& parent, const char* name) {
  T* found = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

class PicfitUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    root_ = temp_.path();
    // Home, configuration, runtime and temporary folders all lie inside
    // the test's own folder: "c:\" and the scratch file land there too.
    QDir(root_).mkpath(QStringLiteral("home"));
    QDir(root_).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root_ + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root_ + QStringLiteral("/config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root_ + QStringLiteral("/runtime")));
    qputenv("TMPDIR", QFile::encodeName(root_));
    qputenv("PICFIT_INI", QFile::encodeName(iniPath()));
    application();
    setPrompts(&prompts_);
  }

  void TearDown() override {
    window_.reset();
    setPrompts(nullptr);
  }

  QString home() const { return root_ + QStringLiteral("/home"); }
  QString iniPath() const { return root_ + QStringLiteral("/picfit.ini"); }
  QString folder(const QString& name) const {
    QDir(root_).mkpath(name);
    return root_ + QLatin1Char('/') + name;
  }

  void writeIni(const QString& body) {
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(body.toUtf8());
  }

  QString readIni() const {
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  PicfitWindow& openWindow() {
    window_ = std::make_unique<PicfitWindow>();
    window_->show();
    return *window_;
  }

  void closeWindow() {
    window_->close();
    QCoreApplication::processEvents();
    window_.reset();
  }

  // A picture whose left half is red and right half blue.
  QString makePicture(const QString& name, int width, int height, const char* format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
    painter.end();
    const QString path = folder(QStringLiteral("pictures")) + QLatin1Char('/') + name;
    EXPECT_TRUE(image.save(path, format));
    return path;
  }

  QString makeDamagedPicture(const QString& name) {
    const QString path = folder(QStringLiteral("pictures")) + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    // A JPEG start marker, then nonsense.
    static const char bytes[] = "\xFF\xD8\xFF\xE0 this is not really a picture";
    file.write(bytes, sizeof bytes - 1);
    return path;
  }

  std::string allMessages() const {
    std::string all;
    for (const Message& message : prompts_.messages) all += message.text.toStdString() + "\n";
    return all;
  }

  void click(const char* name) { child<QPushButton>(*window_, name)->click(); }
  QRadioButton* option(const char* name) { return child<QRadioButton>(*window_, name); }
  QScrollBar* slider(const char* name) { return child<QScrollBar>(*window_, name); }
  QString labelText(const char* name) { return child<QLabel>(*window_, name)->text(); }
  QListWidget* list(const char* name) { return child<QListWidget>(*window_, name); }

  void addPictures(const QStringList& paths) {
    prompts_.fileAnswers.push_back(paths);
    click("Command1");
  }

  QStringList listTexts(const char* name) {
    QStringList texts;
    QListWidget* widget = list(name);
    for (int i = 0; i < widget->count(); ++i) texts << widget->item(i)->text();
    return texts;
  }

  QTemporaryDir temp_;
  QString root_;
  ScriptedPrompts prompts_;
  std::unique_ptr<PicfitWindow> window_;
};

// ------------------------------------------------------------------ settings

TEST_F(PicfitUiTest, OpensWithDefaultsWithoutSettingsFile) {
  PicfitWindow& window = openWindow();
  EXPECT_EQ(window.objectName(), QStringLiteral("frmsaver"));
  EXPECT_EQ(labelText("Label1"), home() + QLatin1Char('/'));
  EXPECT_EQ(window.openFolder(), home() + QLatin1Char('/'));
  EXPECT_TRUE(option("Optionscale_1")->isChecked());
  EXPECT_TRUE(option("Option1_1")->isChecked());
  EXPECT_FALSE(child<QCheckBox>(window, "Check1")->isChecked());
  EXPECT_EQ(slider("HScroll1")->value(), 240);
  EXPECT_EQ(slider("HScroll1")->maximum(), 960);
  EXPECT_EQ(slider("HScroll2")->value(), 160);
  EXPECT_EQ(slider("HScroll2")->maximum(), 640);
  // The labels keep their starting texts until a slider moves.
  EXPECT_EQ(labelText("Labelh2"), QStringLiteral("240/240"));
  EXPECT_EQ(labelText("Labelv2"), QStringLiteral("160/160"));

  slider("HScroll1")->setValue(250);
  EXPECT_EQ(labelText("Labelh2"), QStringLiteral("250/960"));
  slider("HScroll2")->setValue(100);
  EXPECT_EQ(labelText("Labelv2"), QStringLiteral("100/640"));
}

TEST_F(PicfitUiTest, FitModeEnablesTheSlidersItUses) {
  openWindow();
  struct Expect {
    const char* button;
    bool width;
    bool height;
  };
  // Mode 1 is the start; every mode is reached by a click.
  const Expect cases[] = {{"Optionscale_1", true, false},
                          {"Optionscale_0", true, true},
                          {"Optionscale_2", false, true},
                          {"Optionscale_3", false, false},
                          {"Optionscale_1", true, false}};
  for (const Expect& expect : cases) {
    option(expect.button)->click();
    SCOPED_TRACE(expect.button);
    for (const char* name : {"HScroll1", "Labelh1", "Labelh2"})
      EXPECT_EQ(child<QWidget>(*window_, name)->isEnabled(), expect.width) << name;
    for (const char* name : {"HScroll2", "Labelv1", "Labelv2"})
      EXPECT_EQ(child<QWidget>(*window_, name)->isEnabled(), expect.height) << name;
  }
}

TEST_F(PicfitUiTest, SettingsAreWrittenAtCloseInOrderAndRestoredAtOpen) {
  const QString out = folder(QStringLiteral("out")) + QLatin1Char('/');
  writeIni(QStringLiteral("[General]\nSaveDir=%1\n").arg(out));
  openWindow();
  EXPECT_EQ(labelText("Label1"), out);
  option("Optionscale_2")->click();
  option("Option1_4")->click();
  child<QCheckBox>(*window_, "Check1")->setChecked(true);
  slider("HScroll1")->setValue(300);
  slider("HScroll2")->setValue(90);
  addPictures({makePicture(QStringLiteral("a.png"), 64, 48)});
  closeWindow();

  const QString written = readIni();
  const QStringList keys = {QStringLiteral("SaveDir="), QStringLiteral("OpenDir="),    QStringLiteral("ScaleMode=2"),
                            QStringLiteral("Format=4"), QStringLiteral("OverWrite=1"), QStringLiteral("Width=300"),
                            QStringLiteral("Height=90")};
  qsizetype at = written.indexOf(QStringLiteral("[General]"));
  ASSERT_GE(at, 0) << written.toStdString();
  for (const QString& key : keys) {
    const qsizetype next = written.indexOf(key, at);
    ASSERT_GT(next, at) << key.toStdString() << " in\n" << written.toStdString();
    at = next;
  }
  EXPECT_TRUE(written.contains(QStringLiteral("OpenDir=%1/pictures/").arg(root_)));

  PicfitWindow& again = openWindow();
  EXPECT_EQ(again.outputFolder(), out);
  EXPECT_EQ(labelText("Label1"), out);
  EXPECT_EQ(again.openFolder(), root_ + QStringLiteral("/pictures/"));
  EXPECT_TRUE(option("Optionscale_2")->isChecked());
  EXPECT_EQ(again.currentFitMode(), 2);
  EXPECT_TRUE(option("Option1_4")->isChecked());
  EXPECT_EQ(again.outputFormat(), 4);
  EXPECT_TRUE(child<QCheckBox>(again, "Check1")->isChecked());
  EXPECT_EQ(labelText("Labelh2"), QStringLiteral("300/960"));
  EXPECT_EQ(labelText("Labelv2"), QStringLiteral("90/640"));
  // Mode 2 uses the height slider only.
  EXPECT_FALSE(slider("HScroll1")->isEnabled());
  EXPECT_TRUE(slider("HScroll2")->isEnabled());
  // The remembered folder is where the open dialog starts.
  addPictures({});
  EXPECT_EQ(prompts_.lastOpenRequest.folder, root_ + QStringLiteral("/pictures/"));
  EXPECT_EQ(prompts_.lastOpenRequest.title, QStringLiteral("打开图像文件"));
}

TEST_F(PicfitUiTest, NonsenseSettingsOpenOnValidControls) {
  writeIni(
      QStringLiteral("[General]\nScaleMode=9\nFormat=abc\nOverWrite=7\nWidth=-20\n"
                     "Height=99999\n"));
  PicfitWindow& window = openWindow();
  EXPECT_GE(window.currentFitMode(), 0);
  EXPECT_LE(window.currentFitMode(), 3);
  EXPECT_TRUE(option(QStringLiteral("Optionscale_%1").arg(window.currentFitMode()).toLatin1())->isChecked());
  EXPECT_GE(window.outputFormat(), 0);
  EXPECT_LE(window.outputFormat(), 5);
  EXPECT_EQ(slider("HScroll1")->value(), 0);
  EXPECT_EQ(slider("HScroll2")->value(), 640);
}

// ------------------------------------------------------------------ pictures

TEST_F(PicfitUiTest, AddingSkipsADamagedFileAndContinuesTheSelection) {
  openWindow();
  addPictures({});  // cancelled: nothing changes
  EXPECT_EQ(list("Listback")->count(), 0);
  EXPECT_TRUE(prompts_.messages.empty());

  slider("HScroll1")->setValue(200);
  const QString a = makePicture(QStringLiteral("a.png"), 64, 48);
  const QString broken = makeDamagedPicture(QStringLiteral("broken.jpg"));
  const QString b = makePicture(QStringLiteral("b.jpg"), 64, 48, "JPG");
  addPictures({a, broken, b, a});

  EXPECT_EQ(listTexts("Listback"),
            (QStringList{QStringLiteral("a.png"), QStringLiteral("b.jpg"), QStringLiteral("a.png")}));
  ASSERT_EQ(prompts_.messages.size(), 1u);
  const Message& message = prompts_.messages.front();
  EXPECT_EQ(message.icon, MessageIcon::Exclamation);
  EXPECT_EQ(message.title, window_->windowTitle());
  const QString prefix = QStringLiteral("文件格式不支持，无法装载！错误号：");
  ASSERT_TRUE(message.text.startsWith(prefix)) << message.text.toStdString();
  bool isNumber = false;
  EXPECT_GT(message.text.mid(prefix.size()).toInt(&isNumber), 0);
  EXPECT_TRUE(isNumber);

  // Each new entry takes the current mode and the sliders' positions, and
  // the last one added is selected and shown.
  const PictureList& pictures = window_->pictures();
  EXPECT_EQ(pictures.SelectedIndex(), 2);
  EXPECT_EQ(list("Listback")->currentRow(), 2);
  for (const PictureEntry& entry : pictures.Entries()) {
    EXPECT_EQ(entry.fitMode, 1);
    EXPECT_EQ(entry.targetWidth, 200);
    EXPECT_EQ(entry.targetHeight, 160);
  }
  EXPECT_EQ(pictures.At(1).sourcePath, b);
  EXPECT_FALSE(child<PreviewPane>(*window_, "ImageMan1")->image().isNull());
}

TEST_F(PicfitUiTest, PreviewFollowsTheSelectedEntrysFit) {
  openWindow();
  addPictures({makePicture(QStringLiteral("wide.png"), 640, 480)});
  const QImage& preview = child<PreviewPane>(*window_, "ImageMan1")->image();
  ASSERT_EQ(preview.size(), QSize(240, 160));
  // Mode 1 at 240 wide: the whole 640 columns fill the preview, so the blue
  // right half starts at preview column 120.
  EXPECT_EQ(QColor(preview.pixel(200, 10)), QColor(Qt::blue));
  // Mode 3 shows the picture unscaled: column 200 is still in the red half.
  option("Optionscale_3")->click();
  EXPECT_EQ(QColor(child<PreviewPane>(*window_, "ImageMan1")->image().pixel(200, 10)), QColor(Qt::red));
  // Mode 1 at 480 wide: the region is 320 columns, all red.
  option("Optionscale_1")->click();
  slider("HScroll1")->setValue(480);
  EXPECT_EQ(window_->pictures().At(0).targetWidth, 480);
  EXPECT_EQ(QColor(child<PreviewPane>(*window_, "ImageMan1")->image().pixel(200, 10)), QColor(Qt::red));
}

TEST_F(PicfitUiTest, RemovalSelectsAsExpectedAndOthersKeepTheirSettings) {
  openWindow();
  const QString p0 = makePicture(QStringLiteral("p0.png"), 32, 32);
  const QString p1 = makePicture(QStringLiteral("p1.png"), 32, 32);
  const QString p2 = makePicture(QStringLiteral("p2.png"), 32, 32);
  const QString p3 = makePicture(QStringLiteral("p3.png"), 32, 32);
  addPictures({p0, p1, p2, p3});

  // Give each entry its own fit: select it, then choose mode and sizes.
  const int modes[] = {0, 2, 3, 0};
  for (int i = 0; i < 4; ++i) {
    list("Listback")->setCurrentRow(i);
    option(QStringLiteral("Optionscale_%1").arg(modes[i]).toLatin1())->click();
    slider("HScroll1")->setValue(100 + 10 * i);
    slider("HScroll2")->setValue(50 + 10 * i);
  }
  // Dragging updates the selected entry as it goes.
  QScrollBar* width = slider("HScroll1");
  width->setSliderDown(true);
  width->setSliderPosition(330);
  EXPECT_EQ(labelText("Labelh2"), QStringLiteral("330/960"));
  EXPECT_EQ(window_->pictures().At(3).targetWidth, 330);
  width->setSliderDown(false);

  // Selecting an entry makes its mode current; the sliders stay put.
  list("Listback")->setCurrentRow(1);
  EXPECT_TRUE(option("Optionscale_2")->isChecked());
  EXPECT_EQ(slider("HScroll1")->value(), 330);

  // Removing the first selects the new first.
  list("Listback")->setCurrentRow(0);
  click("Command2");
  EXPECT_EQ(listTexts("Listback"),
            (QStringList{QStringLiteral("p1.png"), QStringLiteral("p2.png"), QStringLiteral("p3.png")}));
  EXPECT_EQ(list("Listback")->currentRow(), 0);
  EXPECT_EQ(window_->pictures().SelectedIndex(), 0);
  EXPECT_TRUE(option("Optionscale_2")->isChecked());

  // Removing the middle one selects the one before it.
  list("Listback")->setCurrentRow(1);
  click("Command2");
  EXPECT_EQ(listTexts("Listback"), (QStringList{QStringLiteral("p1.png"), QStringLiteral("p3.png")}));
  EXPECT_EQ(window_->pictures().SelectedIndex(), 0);

  const PictureList& pictures = window_->pictures();
  EXPECT_EQ(pictures.At(0).fitMode, 2);
  EXPECT_EQ(pictures.At(0).targetWidth, 110);
  EXPECT_EQ(pictures.At(0).targetHeight, 60);
  EXPECT_EQ(pictures.At(1).fitMode, 0);
  EXPECT_EQ(pictures.At(1).targetWidth, 330);
  EXPECT_EQ(pictures.At(1).targetHeight, 80);

  click("Command2");
  click("Command2");
  EXPECT_EQ(list("Listback")->count(), 0);
  click("Command2");  // nothing to remove
  EXPECT_EQ(list("Listback")->count(), 0);
  EXPECT_TRUE(prompts_.messages.empty());
}

// ---------------------------------------------------------------- converting

TEST_F(PicfitUiTest, ConvertWithAnEmptyListAsksForPictures) {
  openWindow();
  click("Command3");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(prompts_.messages[0].text, QStringLiteral("请至少添加一个输入图片文件。"));
  EXPECT_EQ(list("List")->count(), 0);
}

TEST_F(PicfitUiTest, ConvertingTwiceIntoOneFolderSelectsTheExistingOutputs) {
  const QString out = folder(QStringLiteral("out"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\nFormat=1\n").arg(out));
  openWindow();
  addPictures(
      {makePicture(QStringLiteral("photo.png"), 640, 480), makePicture(QStringLiteral("small.jpeg"), 64, 48, "JPG")});
  list("Listback")->setCurrentRow(1);
  option("Optionscale_3")->click();

  click("Command3");
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(listTexts("List"), (QStringList{QStringLiteral("photo.BMP"), QStringLiteral("small.jBMP")}));
  EXPECT_EQ(list("List")->currentRow(), -1);  // new outputs are appended unselected
  EXPECT_EQ(window_->pictures().SelectedIndex(), 1);
  // Each entry's own fit: mode 1 at 240 wide, and mode 3 unchanged.
  EXPECT_EQ(QImage(out + QStringLiteral("/photo.BMP")).size(), QSize(240, 180));
  EXPECT_EQ(QFileInfo(out + QStringLiteral("/small.jBMP")).size(), 54 + 64 * 2 * 48);

  click("Command3");
  EXPECT_EQ(list("List")->count(), 2);
  EXPECT_EQ(list("List")->currentRow(), 1);
  EXPECT_EQ(window_->outputs().SelectedIndex(), 1);

  // Keeping existing files gives new names, and the list grows.
  child<QCheckBox>(*window_, "Check1")->setChecked(true);
  click("Command3");
  EXPECT_EQ(listTexts("List").mid(2), (QStringList{QStringLiteral("photo_1.BMP"), QStringLiteral("small._1.BMP")}));
  EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/photo_1.BMP")));
}

TEST_F(PicfitUiTest, OutputFolderProblemsAreReportedAndWrittenFilesStay) {
  const QString out = folder(QStringLiteral("out"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/missing/\nFormat=0\n").arg(out));
  openWindow();
  addPictures({makePicture(QStringLiteral("a.png"), 40, 30), makePicture(QStringLiteral("b.png"), 40, 30),
               makePicture(QStringLiteral("c.png"), 40, 30)});
  click("Command3");
  ASSERT_EQ(prompts_.messages.size(), 1u) << allMessages();
  EXPECT_TRUE(prompts_.messages[0].text.contains(out + QStringLiteral("/missing/")));
  EXPECT_EQ(list("List")->count(), 0);

  // A folder where b's output should go makes its write fail: the run
  // stops there with a message and a.BMP stays.
  QDir(out).mkpath(QStringLiteral("b.BMP"));
  QString chosen = out + QLatin1Char('/');
  prompts_.onModal = [&](QDialog& dialog) {
    auto* picker = dynamic_cast<FolderPicker*>(&dialog);
    EXPECT_NE(picker, nullptr);
    if (picker == nullptr) return int(QDialog::Rejected);
    picker->folderList()->setPath(out);
    picker->Command1_Click();
    return picker->result();
  };
  click("Command5");  // the picker first complains of the missing folder
  EXPECT_EQ(window_->outputFolder(), chosen);
  prompts_.messages.clear();
  click("Command3");
  ASSERT_EQ(prompts_.messages.size(), 1u) << allMessages();
  EXPECT_TRUE(prompts_.messages[0].text.contains(QStringLiteral("b.png"))) << prompts_.messages[0].text.toStdString();
  EXPECT_EQ(listTexts("List"), QStringList{QStringLiteral("a.BMP")});
  EXPECT_EQ(QImage(out + QStringLiteral("/a.BMP")).size(), QSize(240, 180));
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/c.BMP")));
}

TEST_F(PicfitUiTest, APictureGoneBeforeConvertingIsSkippedNotReplacedByAnother) {
  const QString out = folder(QStringLiteral("out"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\nFormat=0\nScaleMode=3\n").arg(out));
  openWindow();
  const QString gone = makePicture(QStringLiteral("gone.png"), 50, 40);
  addPictures(
      {makePicture(QStringLiteral("first.png"), 20, 10), gone, makePicture(QStringLiteral("last.png"), 30, 20)});
  ASSERT_TRUE(QFile::remove(gone));
  click("Command3");
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/gone.BMP")));
  EXPECT_EQ(listTexts("List"), (QStringList{QStringLiteral("first.BMP"), QStringLiteral("last.BMP")}));
  EXPECT_EQ(QImage(out + QStringLiteral("/last.BMP")).size(), QSize(30, 20));
  ASSERT_EQ(prompts_.messages.size(), 1u) << allMessages();
  EXPECT_TRUE(prompts_.messages[0].text.contains(gone));
}

TEST_F(PicfitUiTest, ClosingOrRemovingDuringAConversionWaitsForIt) {
  const QString out = folder(QStringLiteral("out"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\n").arg(out));
  openWindow();
  addPictures({makePicture(QStringLiteral("a.png"), 64, 48), makePicture(QStringLiteral("b.png"), 64, 48)});
  // Both arrive while the run lets the window process its events.
  QTimer::singleShot(0, window_.get(), [this] { click("Command2"); });
  QTimer::singleShot(0, window_.get(), [this] { window_->close(); });
  click("Command3");
  EXPECT_EQ(list("Listback")->count(), 2);
  EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/a.BMP")));
  EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/b.BMP")));
  EXPECT_TRUE(window_->isVisible());
  QCoreApplication::processEvents();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(readIni().contains(QStringLiteral("ScaleMode=1")));
  EXPECT_FALSE(QFileInfo::exists(window_->scratchPath()) && !window_->scratchPath().isEmpty());
}

TEST_F(PicfitUiTest, UserPicksDuringAConversionDoNotChangeWhatIsWritten) {
  const QString out = folder(QStringLiteral("out"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\nFormat=0\nOverWrite=1\nScaleMode=3\n").arg(out));
  openWindow();
  addPictures({makePicture(QStringLiteral("a.png"), 64, 48), makePicture(QStringLiteral("b.png"), 30, 20)});
  // At every chance the user picks the first picture again; the renaming
  // probes give such chances between b's resize and its write.
  QTimer picker;
  QObject::connect(&picker, &QTimer::timeout, [this] { list("Listback")->setCurrentRow(0); });
  picker.start(0);
  click("Command3");
  picker.stop();
  EXPECT_EQ(QImage(out + QStringLiteral("/a.BMP")).size(), QSize(64, 48));
  EXPECT_EQ(QImage(out + QStringLiteral("/b.BMP")).size(), QSize(30, 20));
  EXPECT_EQ(window_->pictures().SelectedIndex(), 1);
  EXPECT_TRUE(prompts_.messages.empty()) << allMessages();
}

// ------------------------------------------------------------- folder picker

class FolderPickerTest : public PicfitUiTest {
 protected:
  // Opens the picker through the browse button, runs `drive` on it and
  // returns the output folder the main window holds afterwards.
  QString browse(const std::function<void(FolderPicker&)>& drive) {
    prompts_.onModal = [&](QDialog& dialog) {
      auto* picker = dynamic_cast<FolderPicker*>(&dialog);
      EXPECT_NE(picker, nullptr);
      if (picker == nullptr) return int(QDialog::Rejected);
      EXPECT_EQ(picker->windowTitle(), QStringLiteral("设置输出目录"));
      drive(*picker);
      return picker->result();
    };
    click("Command5");
    EXPECT_EQ(labelText("Label1"), window_->outputFolder());
    return window_->outputFolder();
  }
};

TEST_F(FolderPickerTest, OkTakesTheShownFolderAndCancelKeepsTheOld) {
  const QString base = folder(QStringLiteral("base"));
  folder(QStringLiteral("base/sub"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\n").arg(base));
  openWindow();

  QString shown;
  EXPECT_EQ(browse([&](FolderPicker& picker) {
              shown = picker.folderList()->path();
              // Open "sub" as a double click would.
              auto items = picker.folderList()->findItems(QStringLiteral("sub"), Qt::MatchExactly);
              ASSERT_EQ(items.size(), 1);
              emit picker.folderList()->itemActivated(items.front());
              picker.Command2_Click();
            }),
            base + QLatin1Char('/'));
  EXPECT_EQ(shown, base);

  EXPECT_EQ(browse([&](FolderPicker& picker) {
              picker.folderList()->setPath(base + QStringLiteral("/sub"));
              child<QPushButton>(picker, "Command1")->click();
            }),
            base + QStringLiteral("/sub/"));

  // The root keeps its single separator.
  EXPECT_EQ(browse([](FolderPicker& picker) {
              picker.folderList()->setPath(QStringLiteral("/"));
              picker.Command1_Click();
            }),
            QStringLiteral("/"));
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FolderPickerTest, NewFolderIsMadeInTheShownFolder) {
  const QString base = folder(QStringLiteral("base"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\n").arg(base));
  openWindow();
  prompts_.textAnswers = {
      std::nullopt,        QString(), QStringLiteral("新的"), QStringLiteral("新的"), QStringLiteral("../escape"),
      QStringLiteral("..")};
  const QString result = browse([&](FolderPicker& picker) {
    for (int i = 0; i < 2; ++i)  // cancelled, then empty: nothing happens
      picker.Command3_Click();
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_EQ(QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);

    picker.Command3_Click();
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/新的")).isDir());
    EXPECT_EQ(picker.folderList()->path(), base + QStringLiteral("/新的"));

    // Already there, outside the shown folder, or not a name: refused.
    picker.folderList()->setPath(base);
    for (int i = 0; i < 3; ++i) picker.Command3_Click();
    EXPECT_EQ(picker.folderList()->path(), base);
    picker.Command1_Click();
  });
  EXPECT_EQ(result, base + QLatin1Char('/'));
  EXPECT_FALSE(QFileInfo::exists(root_ + QStringLiteral("/escape")));
  ASSERT_EQ(prompts_.messages.size(), 3u);
  for (const Message& message : prompts_.messages) {
    EXPECT_EQ(message.icon, MessageIcon::Critical);
    EXPECT_EQ(message.title, QStringLiteral("新建出错"));
    EXPECT_EQ(message.text, QStringLiteral("无法建立新的目录！"));
  }
  ASSERT_FALSE(prompts_.textPrompts.empty());
  EXPECT_EQ(prompts_.textPrompts.front(),
            QStringLiteral("新建目录|当前目录：\n\n%1\n\n请输入新建的目录名：").arg(base));
}

TEST_F(FolderPickerTest, MissingOutputFolderFallsBackToHome) {
  writeIni(QStringLiteral("[General]\nSaveDir=%1/gone/\n").arg(root_));
  openWindow();
  QString shown;
  QString drive;
  const QString result = browse([&](FolderPicker& picker) {
    shown = picker.folderList()->path();
    drive = picker.driveList()->currentText();
    picker.Command2_Click();
  });
  EXPECT_EQ(result, root_ + QStringLiteral("/gone/"));
  EXPECT_EQ(shown, home());
  EXPECT_EQ(drive, volumeRootOf(home()));
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].icon, MessageIcon::Critical);
  EXPECT_EQ(prompts_.messages[0].title, QStringLiteral("打开错误"));
  EXPECT_EQ(prompts_.messages[0].text, QStringLiteral("驱动器不可用无法访问"));
}

TEST_F(FolderPickerTest, UnreadableDriveRestoresTheLastGoodFolder) {
  const QString base = folder(QStringLiteral("base"));
  writeIni(QStringLiteral("[General]\nSaveDir=%1/\n").arg(base));
  openWindow();
  browse([&](FolderPicker& picker) {
    QComboBox* drives = picker.driveList();
    const QString good = drives->currentText();
    drives->addItem(root_ + QStringLiteral("/not-mounted"));
    drives->setCurrentIndex(drives->count() - 1);
    EXPECT_EQ(picker.folderList()->path(), base);
    EXPECT_EQ(drives->currentText(), good);
    picker.Command2_Click();
  });
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].title, QStringLiteral("打开错误"));
  EXPECT_EQ(prompts_.messages[0].text, QStringLiteral("驱动器不可用无法访问！"));
}

// ----------------------------------------------------------------- about box

TEST_F(PicfitUiTest, AboutBoxShowsVersionAndSystemInformation) {
  openWindow();
  const QByteArray savedPath = qgetenv("PATH");
  const QString bin = folder(QStringLiteral("bin"));
  qputenv("PATH", QFile::encodeName(bin));
  QString version;
  prompts_.onModal = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("frmAbout"));
    version = child<QLabel>(dialog, "lblVersion")->text();
    auto* sysInfo = child<QPushButton>(dialog, "cmdSysInfo");

    // No information program installed: what Qt knows.
    sysInfo->click();
    EXPECT_TRUE(prompts_.startedPrograms.empty());

    // One installed: it is started.
    const QString program = bin + QStringLiteral("/hardinfo");
    QFile file(program);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    sysInfo->click();
    EXPECT_EQ(prompts_.startedPrograms, std::vector<QString>{program});

    // It fails to start.
    prompts_.programStarts = false;
    sysInfo->click();
    child<QPushButton>(dialog, "cmdOK")->click();
    return dialog.result();
  };
  click("Command6");
  qputenv("PATH", savedPath);

  // One version: the about box's major.minor.revision is the caption's "major.minor" (two-digit minor).
  const QStringList caption = window_->windowTitle().section(QLatin1Char(' '), -1).split(QLatin1Char('.'));
  const QStringList about = version.section(QLatin1Char(' '), -1).split(QLatin1Char('.'));
  ASSERT_EQ(caption.size(), 2) << window_->windowTitle().toStdString();
  ASSERT_EQ(about.size(), 3) << version.toStdString();
  EXPECT_EQ(about[0], caption[0]);
  EXPECT_EQ(about[1].toInt(), caption[1].toInt());
  EXPECT_EQ(caption[1].size(), 2);
  ASSERT_EQ(prompts_.messages.size(), 2u);
  EXPECT_TRUE(prompts_.messages[0].text.contains(QString::fromLatin1(qVersion())));
  EXPECT_TRUE(prompts_.messages[0].text.contains(QSysInfo::kernelType()));
  EXPECT_EQ(prompts_.messages[1].text, QStringLiteral("此时系统信息不可用"));
}

}  // namespace
}  // namespace picfit::ui
