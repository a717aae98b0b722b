// tmvtool: looks into, decodes and encodes the handheld's movie files.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {

void PrintError(const std::string& message) { std::fprintf(stderr, "tmvtool: %s\n", message.c_str()); }

std::string ErrorText(int error) { return std::strerror(error); }

namespace {

std::span<const Subcommand* const> Subcommands() {
  static const std::array<const Subcommand*, 4> all = {&InfoSubcommand(), &DecodeSubcommand(), &DvdInfoSubcommand(),
                                                       &EncodeSubcommand()};
  return all;
}

void PrintOverview(std::FILE* out) {
  std::fprintf(out, "usage: tmvtool COMMAND [ARGS...]\n       tmvtool COMMAND --help\n\ncommands:\n");
  for (const Subcommand* command : Subcommands()) {
    std::fprintf(out, "  %-8.*s %.*s\n", static_cast<int>(command->name.size()), command->name.data(),
                 static_cast<int>(command->summary.size()), command->summary.data());
  }
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

int Main(std::span<const std::string_view> args) {
  if (args.empty()) {
    PrintOverview(stderr);
    return kExitUsage;
  }
  if (IsHelp(args[0])) {
    PrintOverview(stdout);
    return kExitOk;
  }
  for (const Subcommand* listed : Subcommands()) {
    if (listed->name != args[0]) continue;
    // encode takes a file, or with --dvd the chapters of a disc.
    const bool dvd = listed == &EncodeSubcommand() && std::find(args.begin(), args.end(), "--dvd") != args.end();
    const Subcommand* command = dvd ? &DvdEncodeSubcommand() : listed;
    const auto rest = args.subspan(1);
    for (std::string_view arg : rest) {
      if (IsHelp(arg)) {
        std::fwrite(command->usage.data(), 1, command->usage.size(), stdout);
        return kExitOk;
      }
    }
    return command->run(rest);
  }
  PrintError("unknown command '" + std::string(args[0]) + "' (see tmvtool --help)");
  return kExitUsage;
}

}  // namespace tarn::tmvtool

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  return tarn::tmvtool::Main(args);
}
