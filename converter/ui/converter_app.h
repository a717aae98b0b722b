// tarnconv as a desktop program: the main window, with the sources from the command line already
// added when some are named.
#pragma once

#include <string>
#include <vector>

#include "converter/engine/power_off.h"

namespace tarn::conv::ui {

int RunConverterWindow(int& argc, char** argv, const std::vector<std::string>& sources, PowerSwitch& power);

}  // namespace tarn::conv::ui
