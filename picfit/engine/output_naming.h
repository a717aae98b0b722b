#pragma once
// Output names: the display name less its last three characters plus "BMP"
// (photo.jpg -> photo.BMP, photo.jpeg -> photo.jBMP), and the keep-existing
// renaming that turns name.BMP into name_1.BMP while a file of that name
// exists.

#include "picfit_error.h"

#include <QString>

namespace picfit {

// Names shorter than three characters have no extension to replace, so
// ".BMP" is appended whole ("ab" -> "ab.BMP").
QString OutputNameFor(const QString& displayName);

// Joins a folder and a file name with exactly one "/" between them.
QString JoinFolder(const QString& folder, const QString& name);

// The name that does not hit an existing file in `folder`: each probe that
// finds a file replaces the last four characters with "_1.BMP".
// `perProbe` runs before each existence test.
QString KeepExistingName(const QString& folder, const QString& name, const YieldHook& perProbe = {});

}  // namespace picfit
