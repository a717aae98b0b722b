// tmvtool dvd-info: the titles, chapters and streams of a DVD-Video disc, in the manner of lsdvd.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "platform/dvd/disc_description.h"
#include "platform/dvd/drive_search.h"
#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_time.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {
namespace {

constexpr const char* kUsage = TrNoop(
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
    "    \"subtitles\": [{\"stream\": 1, \"language\": \"en\"}, ...]}, ...]}\n");

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

// Two digits at least, as the disc's own lists number them.
std::string TwoDigits(std::size_t number) {
  char text[24];
  std::snprintf(text, sizeof text, "%02zu", number);
  return text;
}

std::string StreamId(int id) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", id);
  return text;
}

void PrintText(const dvd::DiscDescription& disc) {
  std::string out = Tr("Disc: %1\n", disc.location.directory);
  size_t longest = 0;
  for (const dvd::TitleInfo& title : disc.titles) {
    if (title.length > disc.titles[longest].length) longest = static_cast<size_t>(title.number - 1);
    out += Tr("Title: %1, Length: %2 Chapters: %3, Audio streams: %4, Subpictures: %5\n",
              TwoDigits(static_cast<std::size_t>(title.number)), Clock(title.length), TwoDigits(title.chapters.size()),
              TwoDigits(title.audio.size()), TwoDigits(title.subpictures.size()));
    out += Tr("\tVideo: %1, %2x%3, %4\n", title.video.standard == dvd::VideoStandard::kPal ? "PAL" : "NTSC",
              title.video.width, title.video.height, title.video.aspect == dvd::AspectRatio::k16x9 ? "16:9" : "4:3");
    for (size_t i = 0; i < title.audio.size(); ++i) {
      const dvd::AudioStreamInfo& audio = title.audio[i];
      out += Tr("\tAudio: %1, Language: %2, Format: %3, Channels: %4, Stream id: %5\n", i + 1,
                audio.language.empty() ? "--" : audio.language, dvd::AudioFormatName(audio.format), audio.channels,
                StreamId(dvd::AudioStreamId(audio)));
    }
    for (size_t i = 0; i < title.chapters.size(); ++i)
      out += Tr("\tChapter: %1, Length: %2\n", TwoDigits(i + 1), Clock(title.chapters[i].length));
    for (size_t i = 0; i < title.subpictures.size(); ++i) {
      const dvd::SubpictureStreamInfo& subpicture = title.subpictures[i];
      out += Tr("\tSubtitle: %1, Language: %2, Stream id: %3\n", TwoDigits(i + 1),
                subpicture.language.empty() ? "--" : subpicture.language, StreamId(0x20 + subpicture.physicalId));
    }
  }
  if (!disc.titles.empty()) out += Tr("Longest track: %1\n", TwoDigits(longest + 1));
  std::fwrite(out.data(), 1, out.size(), stdout);
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
      PrintError(Tr("dvd-info takes one disc path or --drive, and --json (see tmvtool dvd-info --help)"));
      return kExitUsage;
    } else {
      path = std::string(arg);
    }
  }
  if (path.empty() == !drive) {
    PrintError(Tr("dvd-info takes one disc path or --drive (see tmvtool dvd-info --help)"));
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
  static const Subcommand command{"dvd-info", TrNoop("list the titles, chapters and streams of a DVD-Video disc"),
                                  kUsage, RunDvdInfo};
  return command;
}

}  // namespace tarn::tmvtool
