#pragma once
// Texts that name the product: the window titles and the one-line link
// labels at the bottom of picfit's three windows.

#include <QString>

namespace picfit::ui {

inline QString productTitle()
{
    return QStringLiteral("picfit 位图格式转换程序 2.00");
}

inline QString productLinkText()
{
    return QStringLiteral("Tarn Media for Linux · picfit 2.00");
}

// Version shown in the about box (major.minor.revision of this release).
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;

}  // namespace picfit::ui
