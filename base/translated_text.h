// Texts of the command lines in the user's language. The English source text goes through Qt's
// translators under the program's context, and its %1, %2, ... are filled in one pass, so that
// a "%2" inside a file name given for %1 stays as it is. A count picks its English form here; a
// translation gives each form its own text. Header only: its users are Qt programs.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <concepts>
#include <string>
#include <string_view>

namespace tarn::text {

inline QString TextArg(const QString& text) { return text; }
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
QString Translated(const char* context, const char* source, const Args&... args) {
  const QString text = QCoreApplication::translate(context, source);
  if constexpr (sizeof...(Args) == 0)
    return text;
  else
    return text.arg(TextArg(args)...);
}

// Marks a text that is translated where it is shown (texts kept in tables).
constexpr const char* TrNoop(const char* source) { return source; }

}  // namespace tarn::text
