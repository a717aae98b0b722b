#include "output_naming.h"

#include <QFileInfo>

namespace picfit {

QString OutputNameFor(const QString& displayName) {
  if (displayName.size() < 3) return displayName + QStringLiteral(".BMP");
  return displayName.left(displayName.size() - 3) + QStringLiteral("BMP");
}

QString JoinFolder(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString KeepExistingName(const QString& folder, const QString& name, const YieldHook& perProbe) {
  QString candidate = name;
  for (;;) {
    CallYield(perProbe);
    if (!QFileInfo::exists(JoinFolder(folder, candidate))) return candidate;
    // "photo.BMP" -> "photo_1.BMP"; a name of fewer than four characters
    // (only "BMP" can be) has no stem left and becomes "_1.BMP".
    candidate = candidate.left(std::max<qsizetype>(candidate.size() - 4, 0)) + QStringLiteral("_1.BMP");
  }
}

}  // namespace picfit
