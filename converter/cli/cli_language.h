// The command line's language: Qt's translations of its texts for the user's locale (LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG, as Qt reads them), built into the program. The English texts
// are the source and need none.
#pragma once

#include <QTranslator>

namespace tarn::conv {

// Installs `translator` into the application when a translation for the locale exists.
void InstallCommandLineLanguage(QTranslator& translator);

}  // namespace tarn::conv
