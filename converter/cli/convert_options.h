// tarnconv's command line: the window (`tarnconv [SOURCE...]`), `tarnconv --convert SOURCE...
// [--drive] [options]` and `--help`.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::conv {

// One source of the command line; the sources' titles are listed in the order given.
struct SourceArgument {
  std::string path;    // a video file, an .ifo file, a VIDEO_TS or disc folder, or an image
  bool drive = false;  // the disc in a drive, in place of a path
};

struct ConvertOptions {
  std::vector<SourceArgument> sources;  // at least one
  std::vector<unsigned> titles;         // empty: every title
  std::vector<unsigned> chapters;       // empty: every chapter of each title
  // Set by --batch/--no-batch and so on; unset, the settings file decides.
  std::optional<bool> batch;
  std::optional<bool> join;
  std::optional<bool> powerOff;
  bool continueAfterLimit = false;
  std::optional<int> limitMiB;
  std::optional<std::string> outputFolder;
  std::optional<unsigned> audio;     // stream number from 1
  std::optional<unsigned> subtitle;  // stream number from 1; 0 for none
  bool quiet = false;                // errors only
  bool verbose = false;              // more of each segment, and where the settings come from
};

enum class CommandKind { Window, Help, Version, Convert, Error };

struct ParsedCommand {
  CommandKind kind = CommandKind::Window;
  ConvertOptions options;
  std::vector<std::string> windowSources;  // the sources the window opens with, in order
  std::string error;                       // why the command line was refused
};

// The arguments after the program name.
ParsedCommand ParseCommandLine(std::span<const std::string_view> args);

// The usage and help text, in the user's language.
std::string UsageText();

// Exit statuses of the program.
inline constexpr int kExitConverted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

}  // namespace tarn::conv
