#include "converter/engine/power_off.h"

#include "converter/settings/converter_settings.h"

namespace tarn::conv {

bool ShouldPowerOff(const RunOutcome& outcome, int offSetting) {
  return offSetting == 1 && outcome.runFinished && !outcome.limitReached && !outcome.abortRequested &&
         !outcome.continued && outcome.segmentsConverted > 0;
}

bool ShutDownSystem(const RunOutcome& outcome, const settings::ProfileFile& profile, PowerSwitch& power) {
  if (!ShouldPowerOff(outcome, settings::ReadNumber(profile, settings::keys::kOff))) return false;
  return power.PowerOff();
}

}  // namespace tarn::conv
