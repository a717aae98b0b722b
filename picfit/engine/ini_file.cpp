#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <optional>
#include <vector>

namespace picfit {
namespace {

// The file as lines of bytes, each with its own ending, so that a write gives back every line it
// does not own exactly as it was: CRLF endings, a byte-order mark, bytes that are not UTF-8.
struct Line {
  QByteArray text;    // without its ending
  QByteArray ending;  // "\n", "\r\n", or "" for a last line without one
};

struct Document {
  QByteArray byteOrderMark;
  std::vector<Line> lines;
  QByteArray newline = "\n";  // the file's own, for the lines a write adds
};

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

Document ReadDocument(const QString& path) {
  Document document;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return document;
  QByteArray bytes = file.readAll();
  if (bytes.startsWith(kByteOrderMark)) {
    document.byteOrderMark = kByteOrderMark;
    bytes.remove(0, kByteOrderMark.size());
  }
  bool newlineKnown = false;
  qsizetype at = 0;
  while (at < bytes.size()) {
    const qsizetype end = bytes.indexOf('\n', at);
    Line line;
    if (end < 0) {
      line.text = bytes.mid(at);
      at = bytes.size();
    } else {
      const bool crlf = end > at && bytes[end - 1] == '\r';
      line.text = bytes.mid(at, end - at - (crlf ? 1 : 0));
      line.ending = crlf ? "\r\n" : "\n";
      at = end + 1;
      if (!newlineKnown) document.newline = line.ending;
      newlineKnown = true;
    }
    document.lines.push_back(std::move(line));
  }
  return document;
}

// The section name when `line` is a section header.
std::optional<QString> SectionOf(const QByteArray& line) {
  const QByteArray t = line.trimmed();
  if (t.size() >= 2 && t.startsWith('[') && t.endsWith(']')) return QString::fromUtf8(t.mid(1, t.size() - 2)).trimmed();
  return std::nullopt;
}

// The key when `line` is a "key=value" line.
std::optional<QString> KeyOf(const QByteArray& line) {
  const qsizetype eq = line.indexOf('=');
  if (eq <= 0 || line.trimmed().startsWith(';')) return std::nullopt;
  return QString::fromUtf8(line.left(eq)).trimmed();
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Index range [begin, end) of the lines of `section`, header excluded.
std::optional<std::pair<std::size_t, std::size_t>> FindSection(const std::vector<Line>& lines, const QString& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionOf(lines[i].text);
    if (!name || !SameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionOf(lines[end].text)) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

void SetValue(Document& document, const QString& section, const QString& key, const QString& value) {
  std::vector<Line>& lines = document.lines;
  const QByteArray entry = (key + QLatin1Char('=') + value).toUtf8();
  // Lines added after a last line without an ending start on a line of their own.
  if (!lines.empty() && lines.back().ending.isEmpty()) lines.back().ending = document.newline;
  auto range = FindSection(lines, section);
  if (!range) {
    lines.push_back({(QLatin1Char('[') + section + QLatin1Char(']')).toUtf8(), document.newline});
    lines.push_back({entry, document.newline});
    return;
  }
  for (std::size_t i = range->first; i < range->second; ++i) {
    const auto k = KeyOf(lines[i].text);
    if (k && SameName(*k, key)) {
      lines[i].text = entry;
      return;
    }
  }
  // After the section's last key line, before any blank lines that close it.
  std::size_t at = range->second;
  while (at > range->first && lines[at - 1].text.trimmed().isEmpty()) --at;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{entry, document.newline});
}

bool SaveDocument(const QString& path, const Document& document) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray bytes = document.byteOrderMark;
  for (const Line& line : document.lines) bytes += line.text + line.ending;
  return file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace

QString ReadIniValue(const QString& path, const QString& section, const QString& key, const QString& defaultValue) {
  const Document document = ReadDocument(path);
  const auto range = FindSection(document.lines, section);
  if (!range) return defaultValue.left(kIniValueMax);
  for (std::size_t i = range->first; i < range->second; ++i) {
    const QByteArray& text = document.lines[i].text;
    const auto k = KeyOf(text);
    if (k && SameName(*k, key)) return QString::fromUtf8(text.mid(text.indexOf('=') + 1)).trimmed().left(kIniValueMax);
  }
  return defaultValue.left(kIniValueMax);
}

bool WriteIniValue(const QString& path, const QString& section, const QString& key, const QString& value) {
  return WriteIniValues(path, section, {{key, value}});
}

bool WriteIniValues(const QString& path, const QString& section,
                    const std::vector<std::pair<QString, QString>>& keysAndValues) {
  Document document = ReadDocument(path);
  for (const auto& [key, value] : keysAndValues) SetValue(document, section, key, value);
  return SaveDocument(path, document);
}

}  // namespace picfit
