#include "converter/ui/converter_app.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "converter/ui/about_dialog.h"
#include "converter/ui/convert_dialog.h"
#include "converter/ui/help_topics.h"
#include "base/settings_location.h"

namespace tarn::conv::ui {

namespace {

// The window speaks Chinese whatever the desktop's language: Qt's own dialogs and buttons are
// made to match.
void LoadQtChinese(QApplication& application, QTranslator& translator) {
  if (translator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application.installTranslator(&translator);
}

}  // namespace

int RunConverterWindow(int& argc, char** argv, const std::vector<std::string>& sources, PowerSwitch& power) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarnconv"));
  QApplication::setDesktopFileName(QStringLiteral("tarnconv"));
  QApplication::setWindowIcon(ProgramIcon());
  QTranslator translator;
  LoadQtChinese(application, translator);
  QtPrompts prompts;
  CConvertDlg window(settings::OpenSettingsFile(), power, prompts, LocateHelpFile());
  window.show();
  QStringList paths;
  for (const std::string& source : sources) paths.append(QFile::decodeName(QByteArray::fromStdString(source)));
  if (!paths.isEmpty()) window.OpenSourcesAtStart(paths);
  return QApplication::exec();
}

}  // namespace tarn::conv::ui
