// Powering the computer off after a conversion run, behind an interface so that nothing but the
// program itself ever holds the real switch.
#pragma once

#include "base/profile_file.h"

namespace tarn::conv {

class PowerSwitch {
 public:
  virtual ~PowerSwitch() = default;
  // Asks the system to power off; false when the request was refused or could not be made.
  virtual bool PowerOff() = 0;
};

// How a Convert action's run ended.
struct RunOutcome {
  bool runFinished = false;     // a run started by Convert has returned
  bool limitReached = false;    // the size limit stopped a segment
  bool abortRequested = false;  // the user aborted, or the program is quitting
  bool continued = false;       // the run resumed after a size-limit stop
  int segmentsConverted = 0;    // segments played to their end
};

// Power off only after a run that ended by itself having converted at least one segment, and
// only when `Off` is 1: never after an abort, a limit stop, a continued run, or a run that found
// nothing to convert.
bool ShouldPowerOff(const RunOutcome& outcome, int offSetting);

// Reads `Off` from the settings file and flips the switch when ShouldPowerOff says so. Returns
// true when the power-off was requested and accepted.
bool ShutDownSystem(const RunOutcome& outcome, const settings::ProfileFile& profile, PowerSwitch& power);

}  // namespace tarn::conv
