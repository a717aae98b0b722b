// tmvtool probe (also called dvd-info): the titles, chapters and streams of a DVD-Video disc,
// in the manner of lsdvd, or of a video file, which is one title.
extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/dvd/disc_description.h"
#include "platform/dvd/drive_search.h"
#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_time.h"
#include "platform/file_description.h"
#include "tools/tmvtool/file_listing.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {
namespace {

constexpr const char* kUsage = TrNoop(
    "usage: tmvtool probe [--json] PATH\n"
    "       tmvtool probe [--json] --drive\n"
    "       (dvd-info is another name of probe)\n"
    "\n"
    "Lists the titles of a DVD-Video disc or a video file with their chapters and lengths,\n"
    "audio streams (language, format, channels) and subtitle streams (language). PATH is an\n"
    ".ifo file, a VIDEO_TS folder, the folder above it or a disc image, or a video file\n"
    "(anything FFmpeg reads: MP4, MKV, AVI, WebM, MPEG), which is one title whose chapters\n"
    "are the container's (one chapter when it has none); --drive looks for a disc in the\n"
    "drives. Lengths are in seconds to the millisecond, streams and chapters are numbered\n"
    "from 1, languages are the codes of the disc or the container (\"\" when it names none).\n"
    "\n"
    "--json prints one object:\n"
    "  {\"titles\": [{\"title\": 1, \"length\": 8.0, \"chapters\": [{\"chapter\": 1, \"length\": 2.0}, ...],\n"
    "    \"audio\": [{\"stream\": 1, \"language\": \"en\", \"format\": \"ac3\", \"channels\": 2}, ...],\n"
    "    \"subtitles\": [{\"stream\": 1, \"language\": \"en\"}, ...]}, ...]}\n"
    "A video file's object begins with \"file\": PATH; its chapters also give \"start\" and\n"
    "\"name\", its subtitles \"format\" and \"text\" (true for text, false for pictures).\n");

// What PATH names: a disc (a folder, an .ifo file or an image), else a video file.
bool LooksLikeDisc(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return true;
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == ".ifo" || extension == ".iso" || extension == ".img";
}

void PrintFile(const platform::FileDescription& file, bool json) {
  if (json)
    PrintFileJson(file);
  else
    PrintFileText(file);
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

int RunProbe(std::span<const std::string_view> args) {
  bool json = false;
  bool drive = false;
  std::string path;
  for (const std::string_view arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg == "--drive") {
      drive = true;
    } else if (arg.starts_with('-') || !path.empty()) {
      PrintError(Tr("probe takes one disc or file path or --drive, and --json (see tmvtool probe --help)"));
      return kExitUsage;
    } else {
      path = std::string(arg);
    }
  }
  if (path.empty() == !drive) {
    PrintError(Tr("probe takes one disc or file path or --drive (see tmvtool probe --help)"));
    return kExitUsage;
  }
  // FFmpeg's notes on a damaged file would stand between the lines of the listing's reader.
  av_log_set_level(Say().verbose ? AV_LOG_ERROR : AV_LOG_QUIET);
  // A file that is no disc by its name is read as a video file; one FFmpeg refuses may still be
  // a disc image by another name, and is tried as one before its refusal is told.
  std::string fileError;
  std::error_code error;
  if (!drive && !LooksLikeDisc(path) && std::filesystem::is_regular_file(path, error)) {
    platform::FileDescription file;
    if (platform::DescribeVideoFile(path, file, fileError)) {
      PrintFile(file, json);
      return kExitOk;
    }
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
  } catch (const dvd::DvdError& discError) {
    PrintError(fileError.empty() ? TrLower(discError.what()) : "cannot read " + fileError);
    return kExitFailure;
  }
}

}  // namespace

const Subcommand& ProbeSubcommand() {
  static const Subcommand command{"probe", TrNoop("list the titles, chapters and streams of a DVD or a video file"),
                                  kUsage, RunProbe};
  return command;
}

}  // namespace tarn::tmvtool
