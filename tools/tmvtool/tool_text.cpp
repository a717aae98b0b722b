#include "tools/tmvtool/tool_text.h"

#include <QLocale>
#include <QTranslator>

namespace tarn::tmvtool {

void InstallLanguage() {
  static QTranslator translator;
  if (translator.load(QLocale(), QStringLiteral("tmvtool"), QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(&translator);
  text::InstallLowerLayerLanguage();
}

}  // namespace tarn::tmvtool
