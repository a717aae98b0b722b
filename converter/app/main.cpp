// tarnconv: converts DVD titles into movie and sound files for the handheld, in its window or,
// with --convert, on the command line.
#include <unistd.h>

#include <QCoreApplication>

#include <iostream>
#include <string_view>
#include <vector>

#include "converter/app/interrupt_quits.h"
#include "converter/cli/convert_command.h"
#include "converter/cli/convert_options.h"
#include "converter/system/logind_power_switch.h"
#include "converter/ui/converter_app.h"

int main(int argc, char** argv) {
  using namespace tarn::conv;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParsedCommand command = ParseCommandLine(args);
  switch (command.kind) {
    case CommandKind::Help:
      std::cout << kUsageText;
      return kExitConverted;
    case CommandKind::Window: {
      LogindPowerSwitch power;
      return ui::RunConverterWindow(argc, argv, command.windowSource, power);
    }
    case CommandKind::Error:
      std::cerr << "tarnconv: " << command.error << " (see tarnconv --help)\n";
      return kExitUsage;
    case CommandKind::Convert:
      break;
  }
  QCoreApplication application(argc, argv);
  InterruptQuits interrupt(kExitInterrupted);
  LogindPowerSwitch power;
  return RunConvertCommand(command.options, power, {std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1});
}
