// Texts of tmvtool in the user's language. The English source text goes through Qt's
// translators (context "tmvtool"; translations/tmvtool_*.ts, built into the program) and its
// %1, %2, ... are filled in one pass. A count picks its English form here; a translation gives
// each form its own text. Numbers meant for machines (--json, raw frames) never pass here.
#pragma once

#include <QString>

#include "base/lower_layer_texts.h"
#include "base/translated_text.h"

#include <concepts>
#include <string>
#include <string_view>

namespace tarn::tmvtool {

template <typename... Args>
std::string Tr(const char* source, const Args&... args) {
  return text::Translated("tmvtool", source, args...).toStdString();
}

// `one` for a count of 1, else `many`; the count is %1.
template <std::integral Number, typename... Args>
std::string TrCount(Number count, const char* one, const char* many, const Args&... args) {
  return Tr(count == 1 ? one : many, count, args...);
}

// "1.50": a number with its decimals, always with a point.
inline std::string Fixed(double value, int decimals) { return QString::number(value, 'f', decimals).toStdString(); }

using text::TrNoop;

// A text of a lower layer (a reader's fault, a result code's words) in the user's language.
inline std::string TrLower(std::string_view english) { return text::LowerLayerText(english).toStdString(); }

// Installs the translation of tmvtool's texts for the user's locale (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG as Qt reads them) into the application, when the program carries one.
void InstallLanguage();

}  // namespace tarn::tmvtool
