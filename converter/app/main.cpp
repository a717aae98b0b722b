// tarnconv: converts DVD titles into movie and sound files for the handheld. The window comes
// later; for now the program is its command line.
#include <unistd.h>

#include <csignal>

#include <QCoreApplication>

#include <iostream>
#include <string_view>
#include <vector>

#include "converter/app/interrupt_quits.h"
#include "converter/cli/convert_command.h"
#include "converter/cli/convert_options.h"
#include "converter/system/logind_power_switch.h"

int main(int argc, char** argv) {
  using namespace tarn::conv;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParsedCommand command = ParseCommandLine(args);
  switch (command.kind) {
    case CommandKind::Help:
      std::cout << kUsageText;
      return kExitConverted;
    case CommandKind::Usage:
      std::cerr << kUsageText;
      return kExitUsage;
    case CommandKind::Error:
      std::cerr << "tarnconv: " << command.error << " (see tarnconv --help)\n";
      return kExitUsage;
    case CommandKind::Convert:
      break;
  }
  // Past a file-size limit a write fails with EFBIG, which the encoders report, instead of
  // the signal ending the program with half-written files and no word.
  ::signal(SIGXFSZ, SIG_IGN);
  QCoreApplication application(argc, argv);
  InterruptQuits interrupt(kExitInterrupted);
  LogindPowerSwitch power;
  return RunConvertCommand(command.options, power, {std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1});
}
