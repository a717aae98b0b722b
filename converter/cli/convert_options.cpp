#include "converter/cli/convert_options.h"

#include <algorithm>
#include <charconv>

#include "converter/engine/translated_text.h"
#include "converter/cli/number_list.h"
#include "converter/engine/size_limit.h"
#include "converter/engine/title_entry.h"

namespace tarn::conv {

namespace {

// --titles counts the titles of every source, as the list holds them.
constexpr unsigned kLargestTitle = static_cast<unsigned>(kMaxTitles);
constexpr unsigned kLargestChapter = 999;

std::optional<unsigned> Number(std::string_view text, unsigned smallest, unsigned largest) {
  unsigned value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || problem != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < smallest || value > largest) return std::nullopt;
  return value;
}

ParsedCommand Refused(std::string reason) {
  ParsedCommand parsed;
  parsed.kind = CommandKind::Error;
  parsed.error = std::move(reason);
  return parsed;
}

// Reads the value of one option; an empty string when it is fine, else the reason.
std::string TakeValue(std::string_view flag, std::string_view value, ConvertOptions& options) {
  std::string error;
  if (flag == "--titles") {
    auto titles = ParseNumberList(value, kLargestTitle, &error);
    if (!titles) return "--titles " + std::string(value) + ": " + error;
    options.titles = std::move(*titles);
  } else if (flag == "--chapters") {
    auto chapters = ParseNumberList(value, kLargestChapter, &error);
    if (!chapters) return "--chapters " + std::string(value) + ": " + error;
    options.chapters = std::move(*chapters);
  } else if (flag == "--limit") {
    const auto limit = Number(value, kMinSizeLimitMiB, kMaxSizeLimitMiB);
    if (!limit) return Tr("--limit needs a whole number of MiB from 4 to 512, not \"%1\"", value);
    options.limitMiB = static_cast<int>(*limit);
  } else if (flag == "--out" || flag == "-o") {
    if (value.empty()) return Tr("%1 needs a folder", flag);
    options.outputFolder = std::string(value);
  } else if (flag == "--audio") {
    options.audio = Number(value, 1, 8);
    if (!options.audio) return Tr("--audio needs a stream number from 1 to 8, not \"%1\"", value);
  } else if (flag == "--subtitle") {
    options.subtitle = Number(value, 0, 32);
    if (!options.subtitle) return Tr("--subtitle needs a stream number from 1 to 32 (0: none), not \"%1\"", value);
  }
  return {};
}

bool TakesValue(std::string_view flag) {
  return flag == "--titles" || flag == "--chapters" || flag == "--limit" || flag == "--out" || flag == "-o" ||
         flag == "--audio" || flag == "--subtitle";
}

}  // namespace

std::string UsageText() {
  return Tr(
      "usage: tarnconv [SOURCE...]\n"
      "       tarnconv --convert SOURCE... [options]\n"
      "       tarnconv --convert --drive [SOURCE...] [options]\n"
      "       tarnconv --help | --version\n"
      "\n"
      "Without --convert the converter's window opens, with the titles of the SOURCEs already\n"
      "listed when some are given.\n"
      "\n"
      "With --convert: converts titles of DVDs and video files into movie files (.tmv) and sound\n"
      "files (.tms) for the handheld, one file pair per chapter, or per run of ticked chapters with\n"
      "--join. A SOURCE is an .ifo file, a VIDEO_TS or disc folder, or a disc image; --drive takes\n"
      "the disc in a drive. A video file (MP4, MKV, AVI, WebM and others) is one title whose\n"
      "chapters are the file's. Several sources list their titles one after the other, in the order\n"
      "given (the drive's where --drive stands), as the window's Open adds them; a source named\n"
      "twice is listed twice. Every title is added and ticked with all its chapters unless the\n"
      "options name some. A source that cannot be read stops the command before anything is written.\n"
      "  --titles LIST      titles to convert, numbered as listed over all sources, e.g. 1,3,5-7\n"
      "                     (default: all)\n"
      "  --chapters LIST    chapters of each title named (default: all)\n"
      "  --batch            convert every ticked title (Batch=1); without it, of one source only\n"
      "                     the first ticked title is converted unless Batch=1 is in the settings\n"
      "                     file, and of several sources every ticked title\n"
      "  --no-batch         only the first ticked title, whatever the settings file says\n"
      "  --join             one file pair per run of consecutive ticked chapters (Con=1)\n"
      "  --no-join          one file pair per chapter, whatever the settings file says\n"
      "  --limit MIB        size limit of a file pair, 4 to 512 MiB (LimitSize)\n"
      "  --continue         when the size limit stops a chapter, go on with it in new files\n"
      "  -o, --out DIR      output folder (SaveDir), made when missing\n"
      "  --audio N          audio stream, from 1\n"
      "  --subtitle N       subtitle stream shown in the pictures, from 1 (0: none)\n"
      "  --poweroff         power the computer off after a complete conversion (Off=1)\n"
      "  --no-poweroff      leave the computer on, whatever the settings file says\n"
      "  -q, --quiet        print nothing but errors\n"
      "  -v, --verbose      print the sound files too, and where the settings come from\n"
      "  --version          print the version and end\n"
      "Everything the options do not set comes from the settings file (TARNMEDIA_INI, else\n"
      "~/.config/TarnMedia.ini). The options last for this run only: the run works on its own\n"
      "copy of the file, and only the running number of the file names goes back into it. A\n"
      "name whose files exist already is passed over, never overwritten. One line is printed per\n"
      "segment: chapter (after its source when there are several), conversion time, movie file\n"
      "and KiB written; on a terminal a progress line shows the chapter, the percent of the run\n"
      "and the time left, and a summary ends the run. Exit status 0 when every segment was\n"
      "converted, 1 when not, 2 for a bad command line, 130 when interrupted.\n");
}

ParsedCommand ParseCommandLine(std::span<const std::string_view> args) {
  ParsedCommand parsed;
  if (args.empty()) return parsed;
  // Wherever they stand, as the help lists them among the options.
  for (std::string_view arg : args)
    if (arg == "--help" || arg == "-h") {
      parsed.kind = CommandKind::Help;
      return parsed;
    }
  for (std::string_view arg : args)
    if (arg == "--version") {
      parsed.kind = CommandKind::Version;
      return parsed;
    }
  if (std::find(args.begin(), args.end(), "--convert") == args.end()) {
    for (std::string_view arg : args)
      if (arg.starts_with("-")) return Refused(Tr("unknown option %1", arg));
    parsed.windowSources.assign(args.begin(), args.end());
    return parsed;
  }
  ConvertOptions& options = parsed.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--convert") continue;
    if (TakesValue(arg)) {
      if (i + 1 == args.size()) return Refused(Tr("%1 needs a value", arg));
      if (std::string reason = TakeValue(arg, args[++i], options); !reason.empty()) return Refused(reason);
    } else if (arg == "--drive") {
      options.sources.push_back({.path = {}, .drive = true});
    } else if (arg == "--batch" || arg == "--no-batch") {
      options.batch = arg == "--batch";
    } else if (arg == "--join" || arg == "--no-join") {
      options.join = arg == "--join";
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--verbose" || arg == "-v") {
      options.verbose = true;
    } else if (arg == "--continue") {
      options.continueAfterLimit = true;
    } else if (arg == "--poweroff" || arg == "--no-poweroff") {
      options.powerOff = arg == "--poweroff";
    } else if (arg.starts_with("-")) {
      return Refused(Tr("unknown option %1", arg));
    } else {
      options.sources.push_back({.path = std::string(arg), .drive = false});
    }
  }
  if (options.sources.empty()) return Refused(Tr("give a SOURCE or --drive"));
  // A user who lists several sources wants each converted; the settings file's Batch was set
  // for the titles of one disc.
  if (options.sources.size() > 1 && !options.batch) options.batch = true;
  parsed.kind = CommandKind::Convert;
  return parsed;
}

}  // namespace tarn::conv
