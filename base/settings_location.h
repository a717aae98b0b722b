// Where "TarnMedia.ini" lives: one file shared by the converter and the encoder filter.
#pragma once

#include <filesystem>

#include "base/profile_file.h"

namespace tarn::settings {

// $TARNMEDIA_INI, else $XDG_CONFIG_HOME/TarnMedia.ini, else ~/.config/TarnMedia.ini.
std::filesystem::path SettingsFilePath();

// The settings file at SettingsFilePath(), looked up at the moment of the call.
ProfileFile OpenSettingsFile();

// $HOME, else the home folder of the user's account, without a trailing "/" (except "/").
std::filesystem::path HomeFolder();

}  // namespace tarn::settings
