// `tarnconv --convert`: adds the titles of each source as the Open button does, ticks what the
// options name, writes the options given into the settings file, and runs the Convert action
// through the same controller as the window, pressing "继续" after each size-limit stop when
// asked to. Runs inside the application's event loop; needs a QCoreApplication.
#pragma once

#include <cstddef>
#include <ostream>

#include "converter/cli/convert_options.h"
#include "converter/engine/conversion_controller.h"
#include "converter/engine/power_off.h"

namespace tarn::conv {

struct ConsoleStreams {
  std::ostream& out;                // one line per segment
  std::ostream& err;                // messages
  std::size_t progressColumns = 0;  // a terminal's width: a progress line is rewritten in it
};

// Returns the exit status. `sizeProbe` replaces the encoders' size exports when set (tests).
int RunConvertCommand(const ConvertOptions& options, PowerSwitch& power, ConsoleStreams streams,
                      SizeProbe sizeProbe = {});

}  // namespace tarn::conv
