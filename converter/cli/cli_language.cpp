#include "converter/cli/cli_language.h"

#include "base/lower_layer_texts.h"

#include <QCoreApplication>
#include <QLocale>

namespace tarn::conv {

void InstallCommandLineLanguage(QTranslator& translator) {
  if (translator.load(QLocale(), QStringLiteral("tarnconv"), QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(&translator);
  text::InstallLowerLayerLanguage();
}

}  // namespace tarn::conv
