// What a DVD-Video disc holds, read from its information files: titles, chapters with their
// lengths, the video attributes of each title's title set, and the audio and subpicture streams
// a title carries: those of its title set that its (first) program chain marks present.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dvd/disc_path.h"

namespace tarn::dvd {

enum class AudioFormat { kAc3, kMpeg1, kMpeg2, kLpcm, kDts, kOther };
enum class VideoStandard { kNtsc, kPal };
enum class AspectRatio { k4x3, k16x9 };

struct AudioStreamInfo {
  std::string language;  // as on the disc, "" when it names none
  uint32_t locale = 0;   // locale identifier of the language, 0 when unknown
  AudioFormat format = AudioFormat::kOther;
  int channels = 0;
  int sampleRate = 48000;
  int physicalId = 0;  // n in 0x80+n (AC-3), 0xC0+n (MPEG), 0xA0+n (LPCM), 0x88+n (DTS)
};

struct SubpictureStreamInfo {
  std::string language;
  uint32_t locale = 0;
  int physicalId = 0;  // n in 0x20+n, the stream shown at the title's aspect ratio
};

struct ChapterInfo {
  int64_t length = 0;  // 100 ns units
};

struct VideoInfo {
  VideoStandard standard = VideoStandard::kNtsc;
  AspectRatio aspect = AspectRatio::k4x3;
  int width = 720;
  int height = 480;
};

struct TitleInfo {
  int number = 0;  // from 1
  int titleSet = 0;
  int titleInSet = 0;
  int64_t length = 0;  // 100 ns units, the sum of its chapters
  std::vector<ChapterInfo> chapters;
  std::vector<AudioStreamInfo> audio;
  std::vector<SubpictureStreamInfo> subpictures;
  VideoInfo video;
  std::array<uint32_t, 16> palette{};  // 0x00YYCrCb entries of the title's first program chain
};

struct DiscDescription {
  DiscLocation location;
  std::vector<TitleInfo> titles;
};

// Reads the description of the disc at `path` (see ResolveDiscPath for the forms it takes).
// Throws DvdError when the path holds no disc or its information files are damaged.
DiscDescription ReadDiscDescription(const std::string& path);
DiscDescription ReadDiscDescription(const DiscLocation& location);

const char* AudioFormatName(AudioFormat format);
// The full id of an audio stream in the multiplex: 0x80+n, 0x88+n, 0xA0+n (private stream 1) or 0xC0+n.
int AudioStreamId(const AudioStreamInfo& stream);  // "ac3", "mpeg1", "mpeg2", "lpcm", "dts", "other"

}  // namespace tarn::dvd
