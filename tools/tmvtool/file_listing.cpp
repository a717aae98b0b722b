#include "tools/tmvtool/file_listing.h"

#include <cinttypes>
#include <cstdio>

namespace tarn::tmvtool {

namespace {

// Whole milliseconds, cut rather than rounded as a disc's own frame counts are.
int64_t Milliseconds(int64_t units) { return units / 10'000; }

const char* OrDashes(const std::string& language) { return language.empty() ? "--" : language.c_str(); }

}  // namespace

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
  std::printf("File: %s\n", file.path.c_str());
  std::printf("Title: 01, Length: %s Chapters: %02zu, Audio streams: %02zu, Subpictures: %02zu\n",
              Clock(file.length).c_str(), file.chapters.size(), file.audio.size(), file.subtitles.size());
  std::printf("\tVideo: %s, %dx%d\n", file.videoFormat.c_str(), file.width, file.height);
  for (size_t i = 0; i < file.audio.size(); ++i) {
    const platform::FileAudioStream& audio = file.audio[i];
    std::printf("\tAudio: %zu, Language: %s, Format: %s, Channels: %d, Rate: %d\n", i + 1, OrDashes(audio.language),
                audio.format.c_str(), audio.channels, audio.sampleRate);
  }
  for (size_t i = 0; i < file.chapters.size(); ++i) {
    const platform::FileChapter& chapter = file.chapters[i];
    std::printf("\tChapter: %02zu, Length: %s, Start: %s%s%s\n", i + 1, Clock(chapter.end - chapter.start).c_str(),
                Clock(chapter.start).c_str(), chapter.title.empty() ? "" : ", Name: ", chapter.title.c_str());
  }
  for (size_t i = 0; i < file.subtitles.size(); ++i) {
    const platform::FileSubtitleStream& subtitle = file.subtitles[i];
    std::printf("\tSubtitle: %02zu, Language: %s, Format: %s (%s)\n", i + 1, OrDashes(subtitle.language),
                subtitle.format.c_str(), subtitle.text ? "text" : "pictures");
  }
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
