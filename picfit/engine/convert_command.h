#pragma once
// The scripting entry: picfit --convert FILE... [--mode 0-3] [--width N]
// [--height N] [--format 0-5] [--keep-existing] [-o DIR]
//
// Converts each file as the window's convert button does, without a window.
// Options not given come from picfit.ini (DIR from SaveDir). Prints each
// output path on `out`, one a line; problems go to `err`.
// Exit status: 0 all converted, 1 some files failed (the others were still
// converted), 2 bad options or an unusable output folder (nothing written).

#include <QStringList>
#include <QTextStream>

namespace picfit {

inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

bool IsConvertCommand(const QStringList& arguments);

// `arguments` as QCoreApplication::arguments() gives them (program first).
int RunConvertCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace picfit
