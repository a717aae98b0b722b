#include "tools/tmvtool/file_listing.h"

#include "tools/tmvtool/tool_text.h"

#include <cinttypes>
#include <cstdio>

namespace tarn::tmvtool {

namespace {

// Whole milliseconds, cut rather than rounded as a disc's own frame counts are.
int64_t Milliseconds(int64_t units) { return units / 10'000; }

std::string OrDashes(const std::string& language) { return language.empty() ? "--" : language; }

}  // namespace

// Two digits at least, as a disc's own lists number them.
std::string TwoDigits(std::size_t number) {
  char text[24];
  std::snprintf(text, sizeof text, "%02zu", number);
  return text;
}

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

void PrintFileText(const platform::FileDescription& file) {
  std::string out = Tr("File: %1\n", file.path);
  out += Tr("Title: %1, Length: %2 Chapters: %3, Audio streams: %4, Subpictures: %5\n", "01", Clock(file.length),
            TwoDigits(file.chapters.size()), TwoDigits(file.audio.size()), TwoDigits(file.subtitles.size()));
  out += Tr("\tVideo: %1, %2x%3\n", file.videoFormat, file.width, file.height);
  for (size_t i = 0; i < file.audio.size(); ++i) {
    const platform::FileAudioStream& audio = file.audio[i];
    out += Tr("\tAudio: %1, Language: %2, Format: %3, Channels: %4, Rate: %5\n", i + 1, OrDashes(audio.language),
              audio.format, audio.channels, audio.sampleRate);
  }
  for (size_t i = 0; i < file.chapters.size(); ++i) {
    const platform::FileChapter& chapter = file.chapters[i];
    const std::string length = Clock(chapter.end - chapter.start), start = Clock(chapter.start);
    out += chapter.title.empty()
               ? Tr("\tChapter: %1, Length: %2, Start: %3\n", TwoDigits(i + 1), length, start)
               : Tr("\tChapter: %1, Length: %2, Start: %3, Name: %4\n", TwoDigits(i + 1), length, start, chapter.title);
  }
  for (size_t i = 0; i < file.subtitles.size(); ++i) {
    const platform::FileSubtitleStream& subtitle = file.subtitles[i];
    out += Tr("\tSubtitle: %1, Language: %2, Format: %3 (%4)\n", TwoDigits(i + 1), OrDashes(subtitle.language),
              subtitle.format, subtitle.text ? Tr("text") : Tr("pictures"));
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void PrintFileJson(const platform::FileDescription& file) {
  std::string out = "{\"file\": " + JsonString(file.path) +
                    ", \"titles\": [{\"title\": 1, \"length\": " + Seconds(file.length) + ", \"chapters\": [";
  for (size_t i = 0; i < file.chapters.size(); ++i) {
    const platform::FileChapter& chapter = file.chapters[i];
    if (i > 0) out += ", ";
    out += "{\"chapter\": " + std::to_string(i + 1) + ", \"length\": " + Seconds(chapter.end - chapter.start) +
           ", \"start\": " + Seconds(chapter.start) + ", \"name\": " + JsonString(chapter.title) + "}";
  }
  out += "], \"audio\": [";
  for (size_t i = 0; i < file.audio.size(); ++i) {
    const platform::FileAudioStream& audio = file.audio[i];
    if (i > 0) out += ", ";
    out += "{\"stream\": " + std::to_string(i + 1) + ", \"language\": " + JsonString(audio.language) +
           ", \"format\": " + JsonString(audio.format) + ", \"channels\": " + std::to_string(audio.channels) + "}";
  }
  out += "], \"subtitles\": [";
  for (size_t i = 0; i < file.subtitles.size(); ++i) {
    const platform::FileSubtitleStream& subtitle = file.subtitles[i];
    if (i > 0) out += ", ";
    out += "{\"stream\": " + std::to_string(i + 1) + ", \"language\": " + JsonString(subtitle.language) +
           ", \"format\": " + JsonString(subtitle.format) + ", \"text\": " + (subtitle.text ? "true" : "false") + "}";
  }
  out += "]}]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace tarn::tmvtool
