// What a video file holds, as a source of the converter and the tools see it: one title
// whose chapters are the container's chapters (a file without any is one chapter), with its
// audio and subtitle streams in the file's order.
//
// Times are 100 ns units counted from the file's first picture, the origin of the file
// source's sample times, so that a chapter's start is where its pictures' times begin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::platform {

struct FileChapter {
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::string title;  // "" when the container names none
};

struct FileAudioStream {
  std::string language;  // the container's code ("eng"), "" when it names none
  std::string format;    // FFmpeg's codec name
  int channels = 0;
  int sampleRate = 0;
};

struct FileSubtitleStream {
  std::string language;
  std::string format;
  bool text = false;  // text lines to render, else pictures to overlay
};

struct FileDescription {
  std::string path;
  std::int64_t length = 0;
  int width = 0;
  int height = 0;
  std::string videoFormat;
  std::vector<FileChapter> chapters;  // never empty
  std::vector<FileAudioStream> audio;
  std::vector<FileSubtitleStream> subtitles;
};

// Why FFmpeg could not open the file at `path` (`error` from avformat_open_input): data it
// recognises but cannot read is told as damaged, apart from data it does not know at all.
std::string OpenFailureText(const std::string& path, int error);

// FFmpeg prints its own diagnostics (an AC-3 frame cut at a chapter's end, a damaged picture)
// on the host's standard error, in the middle of the host's own output: hosts that report
// failures themselves keep it quiet. TARNMEDIA_FFMPEG_LOG=1 keeps its messages for debugging.
void KeepFfmpegQuiet();

// Reads the description of the file at `path`. False with `error` saying why when it is no
// file FFmpeg reads, has no video stream or says nothing of its length.
bool DescribeVideoFile(const std::string& path, FileDescription& description, std::string& error);

}  // namespace tarn::platform
