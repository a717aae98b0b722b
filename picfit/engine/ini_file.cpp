#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <optional>

namespace picfit {
namespace {

QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// The section name when `line` is a section header.
std::optional<QString> SectionOf(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return std::nullopt;
}

// The key when `line` is a "key=value" line.
std::optional<QString> KeyOf(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0 || line.trimmed().startsWith(QLatin1Char(';'))) return std::nullopt;
    return line.left(eq).trimmed();
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Index range [begin, end) of the lines of `section`, header excluded.
std::optional<std::pair<qsizetype, qsizetype>> FindSection(const QStringList& lines, const QString& section) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i]);
        if (!name || !SameName(*name, section)) continue;
        qsizetype end = i + 1;
        while (end < lines.size() && !SectionOf(lines[end])) ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

void SetValue(QStringList& lines, const QString& section, const QString& key, const QString& value) {
    const QString entry = key + QLatin1Char('=') + value;
    auto range = FindSection(lines, section);
    if (!range) {
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(entry);
        return;
    }
    for (qsizetype i = range->first; i < range->second; ++i) {
        const auto k = KeyOf(lines[i]);
        if (k && SameName(*k, key)) {
            lines[i] = entry;
            return;
        }
    }
    // After the section's last key line, before any blank lines that close it.
    qsizetype at = range->second;
    while (at > range->first && lines[at - 1].trimmed().isEmpty()) --at;
    lines.insert(at, entry);
}

bool SaveLines(const QString& path, const QStringList& lines) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace

QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& defaultValue) {
    const QStringList lines = ReadLines(path);
    const auto range = FindSection(lines, section);
    if (!range) return defaultValue.left(kIniValueMax);
    for (qsizetype i = range->first; i < range->second; ++i) {
        const auto k = KeyOf(lines[i]);
        if (k && SameName(*k, key)) {
            QString value = lines[i].mid(lines[i].indexOf(QLatin1Char('=')) + 1).trimmed();
            return value.left(kIniValueMax);
        }
    }
    return defaultValue.left(kIniValueMax);
}

bool WriteIniValue(const QString& path, const QString& section, const QString& key,
                   const QString& value) {
    return WriteIniValues(path, section, {{key, value}});
}

bool WriteIniValues(const QString& path, const QString& section,
                    const std::vector<std::pair<QString, QString>>& keysAndValues) {
    QStringList lines = ReadLines(path);
    for (const auto& [key, value] : keysAndValues) SetValue(lines, section, key, value);
    return SaveLines(path, lines);
}

}  // namespace picfit
