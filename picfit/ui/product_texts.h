#pragma once
// Texts that name the product: the window titles and the one-line link
// labels at the bottom of picfit's three windows.

#include <QString>

namespace picfit::ui {

// The release's version, from the build (the project's version): the about box shows
// major.minor.revision, the captions major and a two-digit minor ("2.00").
inline constexpr int kVersionMajor = TARN_VERSION_MAJOR;
inline constexpr int kVersionMinor = TARN_VERSION_MINOR;
inline constexpr int kVersionRevision = TARN_VERSION_PATCH;

inline QString captionVersion() {
  return QStringLiteral("%1.%2").arg(kVersionMajor).arg(kVersionMinor, 2, 10, QLatin1Char('0'));
}

inline QString productTitle() { return QStringLiteral("picfit 位图格式转换程序 ") + captionVersion(); }

inline QString productLinkText() { return QStringLiteral("Tarn Media for Linux · picfit ") + captionVersion(); }

}  // namespace picfit::ui
