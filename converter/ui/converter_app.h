// tarnconv as a desktop program: the main window, with a source from the command line already
// added when one is named.
#pragma once

#include <optional>
#include <string>

#include "converter/engine/power_off.h"

namespace tarn::conv::ui {

int RunConverterWindow(int& argc, char** argv, const std::optional<std::string>& source, PowerSwitch& power);

}  // namespace tarn::conv::ui
