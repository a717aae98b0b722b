// The file source: plays the video stream of any file FFmpeg reads through
// the output pin "Output", and its sound through "Audio" (FileSoundStream).
// A decoding thread decodes each picture into one of the pin's samples and
// queues it; the pin's streaming thread delivers them in order.
//
// Sample times are the picture's time from the stream's start in 100 ns
// units; each sample is a sync point. At the end of the file the pin
// delivers end of stream, which the renderers turn into the graph's
// completion.
#pragma once

#include "media/base/SourceStream.h"
#include "platform/frame_gate_follower.h"
#include "platform/picture_queue.h"
#include "platform/audio_file_reader.h"
#include "platform/file_sound_stream.h"
#include "platform/file_subtitles.h"
#include "platform/platform_interfaces.h"
#include "platform/video_file_reader.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace tarn::platform {

class FileSourceFilter;

class FileSourceStream final : public CSourceStream {
 public:
  FileSourceStream(FileSourceFilter* filter, HRESULT* phr);
  ~FileSourceStream() override;

  HRESULT GetMediaType(CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Inactive() override;
  // Pictures the gate downstream would have discarded, left out since the filter was made:
  // not decoded at all, or decoded (others refer to them) and not converted.
  std::uint64_t SkippedPictures() const { return gate_.Skipped(); }
  std::uint64_t UnconvertedPictures() const { return gate_.Unconverted(); }

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT DoBufferProcessingLoop() override;
  HRESULT OnThreadCreate() override;
  HRESULT OnThreadDestroy() override;

 private:
  void DecodeLoop();
  // The next picture the gate lets through, with its times, into `sample`.
  ReadResult ReadInto(IMediaSample* sample);

  FileSourceFilter* const source_;
  PictureQueue queue_;
  // The frame gate of the filter downstream, followed by the decoding thread: pictures it
  // would discard are not stored or delivered.
  FrameGateFollower gate_;
  std::thread decoder_;
  bool firstSample_ = true;
  bool started_ = false;  // a run has read from the file: the next one rewinds
};

class FileSourceFilter final : public CSource,
                               public IFileSourceFilter,
                               public ITarnFileSourceOptions,
                               public ITarnFilePlayback {
 public:
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
  explicit FileSourceFilter(IUnknown* outer, HRESULT* phr);
  ~FileSourceFilter() override;

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IFileSourceFilter. Load only while stopped and unconnected.
  HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* mediaType) override;

  // ITarnFileSourceOptions
  HRESULT SetOption(const char* name, const char* value) override;
  HRESULT GetStreamLength(LONGLONG* frames, REFERENCE_TIME* duration) override;
  HRESULT GetLastErrorText(char* buffer, ULONG size) override;

  // ITarnFilePlayback
  HRESULT SetPlayRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  HRESULT SelectAudioStream(ULONG stream) override;
  HRESULT SelectSubtitleStream(LONG stream) override;

  VideoFileReader& Reader() { return reader_; }
  // The sound of the file; not opened when it has none FFmpeg decodes.
  AudioFileReader& Sound() { return sound_; }
  bool Loaded() const { return loaded_; }
  // How long a run plays (100 ns), 0 when the file does not say.
  REFERENCE_TIME PlayLength() const;
  // A run plays from elsewhere than the file's start: the readers seek first.
  bool PlaysFromWithin() const { return rangeStart_ > 0; }
  // The subtitles chosen, back at the range's start for a run, and drawn onto a picture timed
  // `start` from there.
  void RewindSubtitles();
  void DrawSubtitles(std::uint8_t* picture, REFERENCE_TIME start);
  std::uint64_t SkippedPictures() const { return stream_ != nullptr ? stream_->SkippedPictures() : 0; }
  std::uint64_t UnconvertedPictures() const { return stream_ != nullptr ? stream_->UnconvertedPictures() : 0; }

 private:
  VideoFileReader reader_;
  AudioFileReader sound_;
  FileSubtitles subtitles_;
  VideoFileReader::Options options_;
  std::wstring fileName_;
  bool loaded_ = false;
  std::string lastError_;
  REFERENCE_TIME rangeStart_ = 0;
  REFERENCE_TIME rangeStop_ = 0;
  FileSourceStream* stream_ = nullptr;      // owned by CSource
  FileSoundStream* soundStream_ = nullptr;  // owned by CSource
};

}  // namespace tarn::platform
