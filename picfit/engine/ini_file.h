#pragma once
// A small profile-file reader and writer: "[Section]" headers and
// "Key=Value" lines, sections and keys matched without regard to letter
// case, the default returned for a missing file, section or key, values cut
// to 255 characters, and writes that replace the file atomically (a
// temporary file renamed over it) so a crash never leaves half a file.

#include <QString>

#include <utility>
#include <vector>

namespace picfit {

inline constexpr int kIniValueMax = 255;

QString ReadIniValue(const QString& path, const QString& section, const QString& key, const QString& defaultValue);

// Creates the file, the section or the key when needed. False when the file
// could not be written (the old file is then unchanged).
bool WriteIniValue(const QString& path, const QString& section, const QString& key, const QString& value);

// Writes several keys of one section in the given order with a single
// replacement of the file.
bool WriteIniValues(const QString& path, const QString& section,
                    const std::vector<std::pair<QString, QString>>& keysAndValues);

}  // namespace picfit
