#include "platform/file_description.h"

#include "platform/av_handles.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

namespace tarn::platform {

namespace {

constexpr AVRational kUnits{1, 10'000'000};
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};  // FFmpeg's own time base

std::string Tag(const AVDictionary* metadata, const char* key) {
  const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
  return entry != nullptr && entry->value != nullptr ? entry->value : "";
}

// "und" (undetermined) says no more than no code at all.
std::string Language(const AVStream& stream) {
  const std::string code = Tag(stream.metadata, "language");
  return code == "und" ? std::string() : code;
}

std::string CodecName(AVCodecID id) {
  const char* name = avcodec_get_name(id);
  return name != nullptr ? name : "";
}

bool IsTextSubtitle(AVCodecID id) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
  return descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_TEXT_SUB) != 0;
}

std::int64_t LengthOf(const AVFormatContext& format, const AVStream& video) {
  if (video.duration != AV_NOPTS_VALUE && video.duration > 0)
    return av_rescale_q(video.duration, video.time_base, kUnits);
  if (format.duration != AV_NOPTS_VALUE && format.duration > 0)
    return av_rescale_q(format.duration, kMicroseconds, kUnits);
  return 0;
}

// The container's chapters on the pictures' timeline, kept within the file and in order;
// chapters that come to nothing there are left out.
std::vector<FileChapter> ChaptersOf(const AVFormatContext& format, std::int64_t origin, std::int64_t length) {
  std::vector<FileChapter> chapters;
  for (unsigned i = 0; i < format.nb_chapters; ++i) {
    const AVChapter& chapter = *format.chapters[i];
    FileChapter entry;
    entry.start = std::clamp<std::int64_t>(av_rescale_q(chapter.start, chapter.time_base, kUnits) - origin, 0, length);
    entry.end = std::clamp<std::int64_t>(av_rescale_q(chapter.end, chapter.time_base, kUnits) - origin, 0, length);
    entry.title = Tag(chapter.metadata, "title");
    if (entry.end > entry.start) chapters.push_back(std::move(entry));
  }
  std::sort(chapters.begin(), chapters.end(),
            [](const FileChapter& a, const FileChapter& b) { return a.start < b.start; });
  // Chapters follow one another: a gap belongs to the chapter before it, an overlap is cut.
  for (std::size_t i = 0; i + 1 < chapters.size(); ++i) chapters[i].end = chapters[i + 1].start;
  if (!chapters.empty()) {
    chapters.front().start = 0;
    chapters.back().end = length;
  }
  if (chapters.empty()) chapters.push_back(FileChapter{0, length, ""});
  return chapters;
}

}  // namespace

void KeepFfmpegQuiet() {
  static std::once_flag once;
  std::call_once(once, [] {
    const char* wanted = std::getenv("TARNMEDIA_FFMPEG_LOG");
    if (wanted == nullptr || std::string_view(wanted) != "1") av_log_set_level(AV_LOG_QUIET);
  });
}

std::string OpenFailureText(const std::string& path, int error) {
  if (error != AVERROR_INVALIDDATA) return path + ": " + AvErrorText(error);
  // Probe the file's beginning as the demuxers do: a known kind of file that does not open is
  // damaged (an MP4 cut short has lost its index at the end).
  std::vector<std::uint8_t> head(4096 + AVPROBE_PADDING_SIZE, 0);
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    const std::size_t read = std::fread(head.data(), 1, 4096, file);
    std::fclose(file);
    AVProbeData probe{};
    probe.filename = path.c_str();
    probe.buf = head.data();
    probe.buf_size = static_cast<int>(read);
    if (const AVInputFormat* format = av_probe_input_format(&probe, 1))
      return path + ": the file is damaged or cut short (" + format->long_name + " that cannot be read)";
  }
  return path + ": not a media file FFmpeg knows";
}

bool DescribeVideoFile(const std::string& path, FileDescription& description, std::string& error) {
  AVFormatContext* opened = nullptr;
  int result = avformat_open_input(&opened, path.c_str(), nullptr, nullptr);
  if (result < 0) {
    error = OpenFailureText(path, result);
    return false;
  }
  const FormatContextPtr format(opened);
  if ((result = avformat_find_stream_info(format.get(), nullptr)) < 0) {
    error = path + ": " + AvErrorText(result);
    return false;
  }
  const int videoIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (videoIndex < 0) {
    error = path + ": no video stream";
    return false;
  }
  const AVStream& video = *format->streams[videoIndex];
  description = FileDescription{};
  description.path = path;
  description.length = LengthOf(*format, video);
  if (description.length <= 0) {
    error = path + ": the file does not say how long it is";
    return false;
  }
  description.width = video.codecpar->width;
  description.height = video.codecpar->height;
  description.videoFormat = CodecName(video.codecpar->codec_id);
  const std::int64_t origin =
      video.start_time != AV_NOPTS_VALUE ? av_rescale_q(video.start_time, video.time_base, kUnits) : 0;
  description.chapters = ChaptersOf(*format, origin, description.length);
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVStream& stream = *format->streams[i];
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.codec_type == AVMEDIA_TYPE_AUDIO)
      description.audio.push_back(
          {Language(stream), CodecName(codec.codec_id), codec.ch_layout.nb_channels, codec.sample_rate});
    else if (codec.codec_type == AVMEDIA_TYPE_SUBTITLE)
      description.subtitles.push_back({Language(stream), CodecName(codec.codec_id), IsTextSubtitle(codec.codec_id)});
  }
  return true;
}

}  // namespace tarn::platform
