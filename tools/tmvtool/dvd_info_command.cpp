// tmvtool dvd-info: the titles, chapters and streams of a DVD-Video disc, in the manner of lsdvd.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "platform/dvd/disc_description.h"
#include "platform/dvd/drive_search.h"
#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_time.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {
namespace {

constexpr std::string_view kUsage =
    "usage: tmvtool dvd-info [--json] PATH\n"
    "       tmvtool dvd-info [--json] --drive\n"
    "\n"
    "Lists the titles of a DVD-Video disc with their chapters and lengths, audio streams\n"
    "(language, format, channels) and subtitle streams (language). PATH is an .ifo file, a\n"
    "VIDEO_TS folder, the folder above it or a disc image; --drive looks for a disc in the\n"
    "drives. Lengths are in seconds to the millisecond, streams and chapters are numbered\n"
    "from 1, languages are the codes on the disc (\"\" when it names none).\n"
    "\n"
    "--json prints one object:\n"
    "  {\"titles\": [{\"title\": 1, \"length\": 8.0, \"chapters\": [{\"chapter\": 1, \"length\": 2.0}, ...],\n"
    "    \"audio\": [{\"stream\": 1, \"language\": \"en\", \"format\": \"ac3\", \"channels\": 2}, ...],\n"
    "    \"subtitles\": [{\"stream\": 1, \"language\": \"en\"}, ...]}, ...]}\n";

// Whole milliseconds, cut rather than rounded as the disc's own frame counts are.
int64_t Milliseconds(int64_t units) { return units / (dvd::kUnitsPerSecond / 1000); }

std::string Seconds(int64_t units) {
  const int64_t ms = Milliseconds(units);
  char text[32];
  std::snprintf(text, sizeof text, "%" PRId64 ".%03" PRId64, ms / 1000, ms % 1000);
  return text;
}

std::string Clock(int64_t units) {
  const int64_t ms = Milliseconds(units);
  char text[32];
  std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%03" PRId64, ms / 3600000,
                ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return text;
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

void PrintText(const dvd::DiscDescription& disc) {
  std::printf("Disc: %s\n", disc.location.directory.c_str());
  size_t longest = 0;
  for (const dvd::TitleInfo& title : disc.titles) {
    if (title.length > disc.titles[longest].length) longest = static_cast<size_t>(title.number - 1);
    std::printf("Title: %02d, Length: %s Chapters: %02zu, Audio streams: %02zu, Subpictures: %02zu\n", title.number,
                Clock(title.length).c_str(), title.chapters.size(), title.audio.size(), title.subpictures.size());
    std::printf("\tVideo: %s, %dx%d, %s\n", title.video.standard == dvd::VideoStandard::kPal ? "PAL" : "NTSC",
                title.video.width, title.video.height, title.video.aspect == dvd::AspectRatio::k16x9 ? "16:9" : "4:3");
    for (size_t i = 0; i < title.audio.size(); ++i) {
      const dvd::AudioStreamInfo& audio = title.audio[i];
      std::printf("\tAudio: %zu, Language: %s, Format: %s, Channels: %d, Stream id: 0x%02x\n", i + 1,
                  audio.language.empty() ? "--" : audio.language.c_str(), dvd::AudioFormatName(audio.format),
                  audio.channels, dvd::AudioStreamId(audio));
    }
    for (size_t i = 0; i < title.chapters.size(); ++i) {
      std::printf("\tChapter: %02zu, Length: %s\n", i + 1, Clock(title.chapters[i].length).c_str());
    }
    for (size_t i = 0; i < title.subpictures.size(); ++i) {
      const dvd::SubpictureStreamInfo& subpicture = title.subpictures[i];
      std::printf("\tSubtitle: %02zu, Language: %s, Stream id: 0x%02x\n", i + 1,
                  subpicture.language.empty() ? "--" : subpicture.language.c_str(), 0x20 + subpicture.physicalId);
    }
  }
  if (!disc.titles.empty()) std::printf("Longest track: %02zu\n", longest + 1);
}

void PrintJson(const dvd::DiscDescription& disc) {
  std::string out = "{\"titles\": [";
  for (size_t t = 0; t < disc.titles.size(); ++t) {
    const dvd::TitleInfo& title = disc.titles[t];
    if (t > 0) out += ", ";
    out +=
        "{\"title\": " + std::to_string(title.number) + ", \"length\": " + Seconds(title.length) + ", \"chapters\": [";
    for (size_t i = 0; i < title.chapters.size(); ++i) {
      if (i > 0) out += ", ";
      out += "{\"chapter\": " + std::to_string(i + 1) + ", \"length\": " + Seconds(title.chapters[i].length) + "}";
    }
    out += "], \"audio\": [";
    for (size_t i = 0; i < title.audio.size(); ++i) {
      const dvd::AudioStreamInfo& audio = title.audio[i];
      if (i > 0) out += ", ";
      out += "{\"stream\": " + std::to_string(i + 1) + ", \"language\": " + JsonString(audio.language) +
             ", \"format\": " + JsonString(dvd::AudioFormatName(audio.format)) +
             ", \"channels\": " + std::to_string(audio.channels) + "}";
    }
    out += "], \"subtitles\": [";
    for (size_t i = 0; i < title.subpictures.size(); ++i) {
      if (i > 0) out += ", ";
      out += "{\"stream\": " + std::to_string(i + 1) + ", \"language\": " + JsonString(title.subpictures[i].language) +
             "}";
    }
    out += "]}";
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int RunDvdInfo(std::span<const std::string_view> args) {
  bool json = false;
  bool drive = false;
  std::string path;
  for (const std::string_view arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg == "--drive") {
      drive = true;
    } else if (arg.starts_with('-') || !path.empty()) {
      PrintError("dvd-info takes one disc path or --drive, and --json (see tmvtool dvd-info --help)");
      return kExitUsage;
    } else {
      path = std::string(arg);
    }
  }
  if (path.empty() == !drive) {
    PrintError("dvd-info takes one disc path or --drive (see tmvtool dvd-info --help)");
    return kExitUsage;
  }
  try {
    const dvd::DiscDescription disc =
        drive ? dvd::ReadDiscDescription(dvd::FindDiscInDrives()) : dvd::ReadDiscDescription(path);
    if (json) {
      PrintJson(disc);
    } else {
      PrintText(disc);
    }
    std::fflush(stdout);
    return kExitOk;
  } catch (const dvd::DvdError& error) {
    PrintError(error.what());
    return kExitFailure;
  }
}

}  // namespace

const Subcommand& DvdInfoSubcommand() {
  static const Subcommand command{"dvd-info", "list the titles, chapters and streams of a DVD-Video disc", kUsage,
                                  RunDvdInfo};
  return command;
}

}  // namespace tarn::tmvtool
