#pragma once
// picfit.ini: the seven keys of section "General" that carry the user's
// choices from one run to the next. Folders are stored as paths ending in
// "/"; the default "c:\" stands for the home folder.

#include <QString>

namespace picfit {

struct PicfitSettings {
  QString saveDir;    // output folder, ends in "/"
  QString openDir;    // folder of the last chosen pictures
  int scaleMode = 1;  // fit mode 0..3
  int format = 1;     // output format 0..5
  int overWrite = 0;  // 1 = keep existing files (the check box state)
  int width = 240;    // width slider, 0..960
  int height = 160;   // height slider, 0..640
};

// $PICFIT_INI, else $XDG_CONFIG_HOME/picfit.ini, else ~/.config/picfit.ini.
QString PicfitIniPath();

// The user's home folder with a trailing "/": what "c:\" stands for.
QString HomeFolder();

// A stored folder text as a local folder ending in "/": "c:\" and "C:\"
// prefixes become the home folder and "\" separators become "/".
QString LocalFolder(const QString& stored);

// Reads the keys in order SaveDir, OpenDir, ScaleMode, Format, OverWrite,
// Width, Height. Missing keys and values that are not numbers take their
// defaults; ScaleMode, Format and OverWrite outside 0..3, 0..5, 0..1 take
// their defaults too; Width and Height are clamped to 0..960 and 0..640.
PicfitSettings ReadPicfitSettings(const QString& path);

// Writes the seven keys in the same order, numbers as decimal text. False
// (with `error` set) when the file cannot be written.
bool WritePicfitSettings(const QString& path, const PicfitSettings& settings, QString* error = nullptr);

}  // namespace picfit
