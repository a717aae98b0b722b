// One subcommand of tmvtool: its name, a line of help, its usage text and its entry point.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarn::tmvtool {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the input is damaged or the work failed
inline constexpr int kExitUsage = 2;    // the command line is wrong

struct Subcommand {
  std::string_view name;
  const char* summary;  // English source texts, translated when shown
  const char* usage;    // full help text, printed for `tmvtool NAME --help`
  // Arguments after the subcommand's name.
  int (*run)(std::span<const std::string_view> args);
};

// How much the program says, from --quiet and --verbose anywhere on the command line.
struct Verbosity {
  bool quiet = false;    // errors only: no progress, no summary
  bool verbose = false;  // error codes and the details behind a refusal
};
const Verbosity& Say();

// Error message on standard error, "tmvtool: " first.
void PrintError(const std::string& message);
// " (CODE)" under --verbose, else nothing: the words of a message come first.
std::string CodeNote(const std::string& code);
// The message for an errno value, e.g. "No such file or directory".
std::string ErrorText(int error);

const Subcommand& InfoSubcommand();
const Subcommand& DecodeSubcommand();
// probe, also called by its former name dvd-info.
const Subcommand& ProbeSubcommand();
const Subcommand& EncodeSubcommand();
// encode --dvd: chapters of a DVD title through the conversion graph.
const Subcommand& DvdEncodeSubcommand();

}  // namespace tarn::tmvtool
