#include "picfit_settings.h"

#include "ini_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace picfit {
namespace {

const QString kSection = QStringLiteral("General");

// A size: not a number gives the default, out of range is clamped.
int ReadSize(const QString& path, const QString& key, int fallback, int high) {
  bool ok = false;
  const int value = ReadIniValue(path, kSection, key, QString::number(fallback)).toInt(&ok);
  return ok ? std::clamp(value, 0, high) : fallback;
}

// A choice among 0..high: anything else is not one of the choices and
// gives the default.
int ReadChoice(const QString& path, const QString& key, int fallback, int high) {
  bool ok = false;
  const int value = ReadIniValue(path, kSection, key, QString::number(fallback)).toInt(&ok);
  return ok && value >= 0 && value <= high ? value : fallback;
}

}  // namespace

QString PicfitIniPath() {
  const QString explicitPath = qEnvironmentVariable("PICFIT_INI");
  if (!explicitPath.isEmpty()) return explicitPath;
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!config.isEmpty() && QDir::isAbsolutePath(config)) return config + QStringLiteral("/picfit.ini");
  return QDir::homePath() + QStringLiteral("/.config/picfit.ini");
}

QString HomeFolder() {
  QString home = QDir::homePath();
  if (!home.endsWith(QLatin1Char('/'))) home += QLatin1Char('/');
  return home;
}

QString LocalFolder(const QString& stored) {
  // A multiple selection once stored the folder, a NUL and the names.
  QString folder = stored.left(stored.indexOf(QChar(u'\0')) >= 0 ? stored.indexOf(QChar(u'\0')) : stored.size());
  folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (folder.size() >= 2 && folder[1] == QLatin1Char(':') && folder[0].toLower() == QLatin1Char('c'))
    folder = HomeFolder() + folder.mid(folder.size() > 2 && folder[2] == QLatin1Char('/') ? 3 : 2);
  if (folder.trimmed().isEmpty()) folder = HomeFolder();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

PicfitSettings ReadPicfitSettings(const QString& path) {
  PicfitSettings s;
  s.saveDir = LocalFolder(ReadIniValue(path, kSection, QStringLiteral("SaveDir"), QStringLiteral("c:\\")));
  s.openDir = LocalFolder(ReadIniValue(path, kSection, QStringLiteral("OpenDir"), QStringLiteral("c:\\")));
  s.scaleMode = ReadChoice(path, QStringLiteral("ScaleMode"), 1, 3);
  s.format = ReadChoice(path, QStringLiteral("Format"), 1, 5);
  s.overWrite = ReadChoice(path, QStringLiteral("OverWrite"), 0, 1);
  s.width = ReadSize(path, QStringLiteral("Width"), 240, 960);
  s.height = ReadSize(path, QStringLiteral("Height"), 160, 640);
  return s;
}

bool WritePicfitSettings(const QString& path, const PicfitSettings& s, QString* error) {
  const bool ok = WriteIniValues(path, kSection,
                                 {{QStringLiteral("SaveDir"), s.saveDir},
                                  {QStringLiteral("OpenDir"), s.openDir},
                                  {QStringLiteral("ScaleMode"), QString::number(s.scaleMode)},
                                  {QStringLiteral("Format"), QString::number(s.format)},
                                  {QStringLiteral("OverWrite"), QString::number(s.overWrite)},
                                  {QStringLiteral("Width"), QString::number(s.width)},
                                  {QStringLiteral("Height"), QString::number(s.height)}});
  if (!ok && error) *error = QStringLiteral("无法写入设置文件：%1").arg(path);
  return ok;
}

}  // namespace picfit
