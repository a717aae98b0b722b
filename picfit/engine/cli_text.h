#pragma once
// Texts of picfit's command line in the user's language: the English source through Qt's
// translators (context "picfit"; picfit/translations/picfit_*.ts, built into the program),
// its %1, %2, ... filled in order. The window keeps its own texts.

#include <QCoreApplication>
#include <QString>

namespace picfit {

template <typename... Args>
QString Tr(const char* source, const Args&... args) {
  QString text = QCoreApplication::translate("picfit", source);
  ((text = text.arg(args)), ...);
  return text;
}

// What an error number means, for the command line: "the format is not recognised" and so on.
QString ErrorWords(int number);

}  // namespace picfit
