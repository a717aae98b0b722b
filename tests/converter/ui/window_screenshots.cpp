// Pictures of tarnconv's window for docs/screenshots (run by scripts/screenshots.sh under Xvfb):
// empty, with a disc, during a conversion, after it, the about box, a help popup, a balloon tip
// the video window, every page of the settings dialog and its handheld preview on a frame of the
// title.
//
//   tarnconv_screenshots DISC HELPFILE OUTDIR
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLibraryInfo>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

#include "converter/ui/about_dialog.h"
#include "converter/ui/advanced_dialog.h"
#include "converter/ui/slide_tab.h"
#include "converter/ui/balloon_tip.h"
#include "converter/ui/control_ids.h"
#include "converter/ui/convert_dialog.h"
#include "converter/ui/settings_page.h"
#include "converter/ui/settings_page_ids.h"
#include "converter/ui/video_window.h"
#include "base/settings_location.h"

namespace {

using namespace tarn::conv;

class Prompts final : public ui::WindowPrompts {
 public:
  void Message(QWidget*, const QString& text, const QString& caption) override {
    std::fprintf(stderr, "message: %s: %s\n", qPrintable(caption), qPrintable(text));
  }
  std::optional<QString> SourceFile(QWidget*) override { return std::nullopt; }
  std::optional<QString> OutputFolder(QWidget*, const QString&) override { return std::nullopt; }
};

struct NoPower final : PowerSwitch {
  bool PowerOff() override { return false; }
};

class Shooter {
 public:
  explicit Shooter(QString folder) : folder_(std::move(folder)) {}

  // The window with everything that floats over it (popups, tips), as the screen shows it.
  void Shoot(QWidget& window, const QString& name, const QRect& extra = {}) {
    QTest::qWait(300);
    const QRect area = window.frameGeometry().united(extra);
    const QPixmap picture = extra.isNull() ? window.grab()
                                           : QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                                          area.width(), area.height());
    const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
    if (!picture.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  }

 private:
  QString folder_;
};

class DuringRun final : public RunObserver {
 public:
  std::function<void(const SegmentInfo&)> onStart;
  void SegmentStarted(const SegmentInfo& segment) override {
    if (onStart) onStart(segment);
  }
};

void Hover(QWidget* control) {
  const QPoint at = control->rect().center();
  QCursor::setPos(control->mapToGlobal(at));
  QTest::mouseMove(control, at);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: tarnconv_screenshots DISC HELPFILE OUTDIR\n");
    return 2;
  }
  QTranslator translator;
  if (translator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application.installTranslator(&translator);
  QApplication::setWindowIcon(ui::ProgramIcon());
  const QString disc = QString::fromLocal8Bit(argv[1]);
  Shooter shooter(QString::fromLocal8Bit(argv[3]));
  Prompts prompts;
  NoPower power;
  ui::CConvertDlg window(tarn::settings::OpenSettingsFile(), power, prompts, QString::fromLocal8Bit(argv[2]));
  window.move(40, 40);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  shooter.Shoot(window, QStringLiteral("main-window-empty"));

  window.OpenSourcesAtStart({disc});
  shooter.Shoot(window, QStringLiteral("main-window-with-disc"));

  // Help for the chapter list at the pointer.
  QWidget* chapters = window.Control(ui::kChapterList);
  const QPoint helpAt = chapters->mapToGlobal(QPoint(chapters->width() / 3, chapters->height() / 3));
  window.RequestHelp(ui::kChapterList, helpAt);
  shooter.Shoot(window, QStringLiteral("help-popup"),
                window.HelpPopup() ? window.HelpPopup()->frameGeometry() : QRect());
  if (window.HelpPopup()) window.HelpPopup()->close();

  // The tip of the convert button.
  QWidget* convert = window.Control(ui::kConvertButton);
  Hover(convert);
  QTest::qWait(ui::CBalloonTip::kShowDelayMs + 200);
  shooter.Shoot(window, QStringLiteral("balloon-tip"), window.Balloon().frameGeometry());
  QCursor::setPos(10, 10);
  QTest::qWait(ui::CBalloonTip::kLeaveCheckMs * 2);

  DuringRun during;
  window.SetExtraObserver(&during);
  during.onStart = [&](const SegmentInfo& segment) {
    if (segment.number != 3) return;
    // Beside the main window, where a window manager would rather have put it.
    auto* video = dynamic_cast<ui::QtVideoWindow*>(window.Graph().VideoWindow());
    if (video != nullptr) video->move(window.frameGeometry().right() + 20, 40);
    QTest::qWait(400);
    shooter.Shoot(window, QStringLiteral("main-window-converting"));
    if (video != nullptr) shooter.Shoot(*video, QStringLiteral("video-window"));
  };
  QTest::mouseClick(convert, Qt::LeftButton);
  shooter.Shoot(window, QStringLiteral("main-window-after-conversion"));

  QTimer::singleShot(500, [&] {
    if (QWidget* about = QApplication::activeModalWidget()) {
      about->move(window.geometry().center() - about->rect().center());
      QTest::qWait(300);
      shooter.Shoot(*about, QStringLiteral("about-box"));
      about->close();
    }
  });
  window.ShowAbout();

  // The settings dialog, one picture per page, each taken once its slide has ended.
  QTimer::singleShot(500, [&] {
    auto* settings = qobject_cast<ui::CAdvancedDlg*>(QApplication::activeModalWidget());
    if (settings == nullptr) return;
    settings->move(window.geometry().center() - settings->rect().center());
    const char* names[] = {"settings-output", "settings-video", "settings-audio", "settings-picture"};
    for (int tab = 0; tab < settings->Tabs().PageCount(); ++tab) {
      settings->Tabs().SetCurrentIndex(tab);
      QTest::qWait(400);
      shooter.Shoot(*settings, QString::fromLatin1(names[tab]));
    }
    settings->reject();
  });
  QTest::mouseClick(window.Control(ui::kAdvancedButton), Qt::LeftButton);

  // The handheld preview on a frame of the title: a moment of preview, then the dialog with the
  // picture controls moved from their defaults.
  // The conversion ended by itself: "中止" brings both buttons back to idle.
  QTest::mouseClick(window.Control(ui::kConvertButton), Qt::LeftButton);
  if (auto* video = dynamic_cast<ui::QtVideoWindow*>(window.Graph().VideoWindow())) video->close();
  QTimer::singleShot(2000, [&] { QTest::mouseClick(window.Control(ui::kPreviewButton), Qt::LeftButton); });
  QTest::mouseClick(window.Control(ui::kPreviewButton), Qt::LeftButton);
  if (auto* video = dynamic_cast<ui::QtVideoWindow*>(window.Graph().VideoWindow())) video->close();
  QTimer::singleShot(500, [&] {
    auto* settings = qobject_cast<ui::CAdvancedDlg*>(QApplication::activeModalWidget());
    if (settings == nullptr) return;
    settings->move(window.geometry().center() - settings->rect().center());
    settings->Tabs().SetCurrentIndex(1);
    QTest::qWait(400);
    auto* saturation = qobject_cast<QScrollBar*>(settings->Page(1)->Control(ui::video_page::kSaturationBar));
    if (saturation != nullptr) saturation->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QTest::qWait(200);
    shooter.Shoot(*settings, QStringLiteral("settings-handheld-preview"));
    settings->reject();
  });
  QTest::mouseClick(window.Control(ui::kAdvancedButton), Qt::LeftButton);
  return 0;
}
