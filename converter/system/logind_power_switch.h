// The real power switch: logind's PowerOff on the system bus, else `systemctl poweroff`.
// Only the program's main creates one; no test binary links this library.
#pragma once

#include "converter/engine/power_off.h"

namespace tarn::conv {

class LogindPowerSwitch final : public PowerSwitch {
 public:
  bool PowerOff() override;
};

}  // namespace tarn::conv
