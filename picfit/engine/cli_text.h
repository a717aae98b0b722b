#pragma once
// Texts of picfit's command line in the user's language: the English source through Qt's
// translators (context "picfit"; picfit/translations/picfit_*.ts, built into the program),
// its %1, %2, ... filled in one pass. The window keeps its own texts.

#include <QString>

#include "base/translated_text.h"

namespace picfit {

template <typename... Args>
QString Tr(const char* source, const Args&... args) {
  return tarn::text::Translated("picfit", source, args...);
}

// What an error number means, for the command line: "the format is not recognised" and so on.
QString ErrorWords(int number);

}  // namespace picfit
