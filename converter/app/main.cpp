// tarnconv: converts DVD titles into movie and sound files for the handheld, in its window or,
// with --convert, on the command line.
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

#include <QCoreApplication>
#include <QTranslator>

#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

#include "converter/app/interrupt_quits.h"
#include "converter/cli/cli_language.h"
#include "converter/engine/translated_text.h"
#include "converter/cli/convert_command.h"
#include "converter/cli/convert_options.h"
#include "converter/system/logind_power_switch.h"
#include "converter/ui/converter_app.h"
#include "tarn_version.h"

namespace {

// The width of the terminal on standard output, 0 when it is no terminal.
std::size_t ProgressColumns() {
  if (::isatty(STDOUT_FILENO) != 1) return 0;
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

int Run(const tarn::conv::ParsedCommand& command) {
  using namespace tarn::conv;
  switch (command.kind) {
    case CommandKind::Help:
      std::cout << UsageText();
      return kExitConverted;
    case CommandKind::Version:
      std::cout << "tarnconv " << TARN_VERSION << '\n';
      return kExitConverted;
    case CommandKind::Window:  // opened before the command line's application object is made
    case CommandKind::Error:
      std::cerr << "tarnconv: " << Tr("%1 (see tarnconv --help)", command.error) << '\n';
      return kExitUsage;
    case CommandKind::Convert:
      break;
  }
  InterruptQuits interrupt(kExitInterrupted);
  LogindPowerSwitch power;
  return RunConvertCommand(command.options, power, {std::cout, std::cerr, ProgressColumns()});
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarn::conv;
  // Past a file-size limit a write fails with EFBIG, which the encoders report, instead of the
  // signal ending the program with half-written files and no word (in the window too).
  ::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  // The window makes its own application object; a valid window command line needs no texts.
  if (const ParsedCommand command = ParseCommandLine(args); command.kind == CommandKind::Window) {
    LogindPowerSwitch power;
    return ui::RunConverterWindow(argc, argv, command.windowSources, power);
  }
  QCoreApplication application(argc, argv);
  QTranslator translator;
  InstallCommandLineLanguage(translator);
  int status = Run(ParseCommandLine(args));
  // A full disk or a closed pipe behind standard output is a failure, not a silent success.
  if (!std::cout.flush() || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::cerr << "tarnconv: " << Tr("cannot write to standard output") << '\n';
    if (status == kExitConverted) status = kExitFailed;
  }
  return status;
}
