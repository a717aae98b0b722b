// tmvtool decode: every picture the handheld shows, as PNG files or raw BGR24 frames.
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tools/tmvtool/movie_walk.h"
#include "tools/tmvtool/png_writer.h"
#include "tools/tmvtool/sound_file.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {
namespace {

constexpr std::string_view kUsage =
    "usage: tmvtool decode FILE.tmv -o DIR\n"
    "       tmvtool decode FILE.tmv --raw > frames.bgr\n"
    "       tmvtool decode FILE.tms -o FILE.wav\n"
    "\n"
    "Plays the movie as the handheld does and writes the picture shown after each record:\n"
    "  -o DIR   as DIR/frame_00000.png, frame_00001.png, ... (DIR is created when missing)\n"
    "  --raw    as raw 240x160 BGR24 frames, top row first, on standard output\n"
    "A record that cannot be decoded leaves the previous picture, which is written again;\n"
    "such a file is reported as damaged and the exit code is 1.\n"
    "A sound file becomes a 16-bit PCM WAV file of its own rate and channels (-o or --out).\n";

struct DecodeOptions {
  std::string input;
  std::string outputDir;
  bool raw = false;
};

// Empty text, or what is wrong with the command line.
std::string ParseOptions(std::span<const std::string_view> args, DecodeOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-o" || arg == "--out" || arg == "--output") {
      if (i + 1 == args.size()) return std::string(arg) + " needs a folder";
      options.outputDir = args[++i];
    } else if (arg == "--raw") {
      options.raw = true;
    } else if (arg.starts_with('-')) {
      return "unknown option " + std::string(arg);
    } else if (options.input.empty()) {
      options.input = arg;
    } else {
      return "more than one movie file given";
    }
  }
  if (options.input.empty()) return "no movie file given";
  if (IsSoundFile(options.input))
    return options.outputDir.empty() || options.raw ? "a sound file is decoded with -o FILE.wav" : std::string();
  if (options.raw == !options.outputDir.empty()) return "give either -o DIR or --raw";
  return {};
}

// Empty text, or why `dir` cannot take the pictures.
std::string PrepareFolder(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0777) == 0) return {};
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
  return dir + ": " + ErrorText(error == EEXIST ? ENOTDIR : error);
}

std::string FramePath(const std::string& dir, std::uint64_t index) {
  std::array<char, 32> name{};
  std::snprintf(name.data(), name.size(), "frame_%05llu.png", static_cast<unsigned long long>(index));
  return dir + "/" + name.data();
}

int RunDecode(std::span<const std::string_view> args) {
  DecodeOptions options;
  if (const std::string problem = ParseOptions(args, options); !problem.empty()) {
    PrintError(problem + " (see tmvtool decode --help)");
    return kExitUsage;
  }
  if (IsSoundFile(options.input)) return DecodeSoundToWav(options.input, options.outputDir);
  if (options.raw && ::isatty(STDOUT_FILENO)) {
    PrintError("--raw writes binary frames: send standard output to a file or a pipe");
    return kExitUsage;
  }
  std::unique_ptr<PngWriter> png;
  if (!options.raw) {
    if (const std::string problem = PrepareFolder(options.outputDir); !problem.empty()) {
      PrintError(problem);
      return kExitFailure;
    }
    png = std::make_unique<PngWriter>();
    if (!png->SetupProblem().empty()) {
      PrintError(png->SetupProblem());
      return kExitFailure;
    }
  }

  std::vector<std::uint8_t> bgr(codec::kRgbPictureBytes);
  std::string outputProblem;
  const WalkResult result = WalkMovie(
      options.input, [](const WalkResult&) {},
      [&](const movie::RecordInfo& record, movie::PlayOutcome, const movie::MoviePlayer& player) {
        player.ScreenToBgr(std::span<std::uint8_t, codec::kRgbPictureBytes>(bgr.data(), bgr.size()));
        if (options.raw) {
          if (std::fwrite(bgr.data(), 1, bgr.size(), stdout) != bgr.size()) {
            outputProblem = "standard output: " + ErrorText(errno);
          }
        } else {
          outputProblem = png->Write(FramePath(options.outputDir, record.index),
                                     std::span<const std::uint8_t, codec::kRgbPictureBytes>(bgr.data(), bgr.size()));
        }
        return outputProblem.empty();
      });
  if (outputProblem.empty() && options.raw && std::fflush(stdout) != 0) {
    outputProblem = "standard output: " + ErrorText(errno);
  }
  if (!outputProblem.empty()) {
    PrintError(outputProblem);
    return kExitFailure;
  }
  return ReportFaults(options.input, result);
}

}  // namespace

const Subcommand& DecodeSubcommand() {
  static const Subcommand command{
      "decode", "write the pictures of a movie file (PNG, raw BGR24) or a sound file as WAV", kUsage, RunDecode};
  return command;
}

}  // namespace tarn::tmvtool
