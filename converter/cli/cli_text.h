// Texts of the command line in the user's language. The English source text goes through Qt's
// translators (context "tarnconv"; translations/tarnconv_*.ts) and its %1, %2, ... are filled
// in order. A count picks its English form here; a translation gives each form its own text.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <concepts>
#include <string>
#include <string_view>

namespace tarn::conv {

inline QString TextArg(const std::string& text) { return QString::fromStdString(text); }
inline QString TextArg(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString TextArg(const char* text) { return QString::fromUtf8(text); }
template <std::integral Number>
QString TextArg(Number number) {
  return QString::number(number);
}

template <typename... Args>
std::string Tr(const char* source, const Args&... args) {
  QString text = QCoreApplication::translate("tarnconv", source);
  ((text = text.arg(TextArg(args))), ...);
  return text.toStdString();
}

// `one` for a count of 1, else `many`; the count is %1.
template <std::integral Number, typename... Args>
std::string TrCount(Number count, const char* one, const char* many, const Args&... args) {
  return Tr(count == 1 ? one : many, count, args...);
}

}  // namespace tarn::conv
