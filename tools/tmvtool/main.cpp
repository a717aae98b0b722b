// tmvtool: looks into, decodes and encodes the handheld's movie files.
#include <algorithm>
#include <cerrno>
#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>

#include <clocale>

#include "tarn_version.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {

namespace {
Verbosity verbosity;
}

const Verbosity& Say() { return verbosity; }

void PrintError(const std::string& message) { std::fprintf(stderr, "tmvtool: %s\n", message.c_str()); }

std::string CodeNote(const std::string& code) { return verbosity.verbose ? " (" + code + ")" : std::string(); }

std::string ErrorText(int error) { return TrLower(std::strerror(error)); }

namespace {

std::span<const Subcommand* const> Subcommands() {
  static const std::array<const Subcommand*, 4> all = {&InfoSubcommand(), &DecodeSubcommand(), &ProbeSubcommand(),
                                                       &EncodeSubcommand()};
  return all;
}

void PrintOverview(std::FILE* out) {
  const std::string overview =
      Tr("usage: tmvtool COMMAND [ARGS...]\n       tmvtool COMMAND --help\n       tmvtool --version\n\n"
         "Every command takes -q/--quiet (errors only) and -v/--verbose (error codes too).\n\ncommands:\n");
  std::fputs(overview.c_str(), out);
  for (const Subcommand* command : Subcommands()) {
    std::fprintf(out, "  %-8.*s %s\n", static_cast<int>(command->name.size()), command->name.data(),
                 Tr(command->summary).c_str());
  }
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

// The options every command takes, taken out of the arguments.
std::vector<std::string_view> TakeCommonOptions(std::span<const std::string_view> args) {
  std::vector<std::string_view> rest;
  for (std::string_view arg : args) {
    if (arg == "-q" || arg == "--quiet")
      verbosity.quiet = true;
    else if (arg == "-v" || arg == "--verbose")
      verbosity.verbose = true;
    else
      rest.push_back(arg);
  }
  return rest;
}

int Dispatch(std::span<const std::string_view> args) {
  if (args.empty()) {
    PrintOverview(stderr);
    return kExitUsage;
  }
  if (IsHelp(args[0])) {
    PrintOverview(stdout);
    return kExitOk;
  }
  if (args[0] == "--version") {
    std::printf("tmvtool %s\n", TARN_VERSION);
    return kExitOk;
  }
  // dvd-info is probe's former name; scripts keep using it.
  const std::string_view name = args[0] == "dvd-info" ? std::string_view("probe") : args[0];
  for (const Subcommand* listed : Subcommands()) {
    if (listed->name != name) continue;
    // encode takes a file, or with --dvd the chapters of a disc.
    const bool dvd = listed == &EncodeSubcommand() && std::find(args.begin(), args.end(), "--dvd") != args.end();
    const Subcommand* command = dvd ? &DvdEncodeSubcommand() : listed;
    const auto rest = args.subspan(1);
    for (std::string_view arg : rest) {
      if (IsHelp(arg)) {
        std::fputs(Tr(command->usage).c_str(), stdout);
        return kExitOk;
      }
    }
    return command->run(rest);
  }
  PrintError(Tr("unknown command '%1' (see tmvtool --help)", args[0]));
  return kExitUsage;
}

}  // namespace

int Main(std::span<const std::string_view> args) {
  const std::vector<std::string_view> rest = TakeCommonOptions(args);
  int status = Dispatch(rest);
  // A full disk or a closed pipe behind standard output is a failure, not a silent success.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    PrintError(Tr("cannot write to standard output: %1", ErrorText(errno == 0 ? EIO : errno)));
    if (status == kExitOk) status = kExitFailure;
  }
  return status;
}

}  // namespace tarn::tmvtool

int main(int argc, char** argv) {
  const QCoreApplication application(argc, argv);
  // The locale speaks through the texts only: numbers keep their decimal point.
  std::setlocale(LC_NUMERIC, "C");
  tarn::tmvtool::InstallLanguage();
  std::vector<std::string_view> args(argv + 1, argv + argc);
  return tarn::tmvtool::Main(args);
}
