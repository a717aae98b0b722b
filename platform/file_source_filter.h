// The file source: plays the video stream of any file FFmpeg reads through
// one output pin, "Output". A decoding thread fills a small picture queue;
// the pin's streaming thread delivers from it.
//
// Sample times are the picture's time from the stream's start in 100 ns
// units; each sample is a sync point. At the end of the file the pin
// delivers end of stream, which the renderers turn into the graph's
// completion.
#pragma once

#include "media/base/SourceStream.h"
#include "platform/frame_gate_follower.h"
#include "platform/picture_queue.h"
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
  // Pictures the gate downstream would have discarded, left out since the filter was made.
  std::uint64_t SkippedPictures() const { return gate_.Skipped(); }

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT OnThreadDestroy() override;

 private:
  void DecodeLoop();

  FileSourceFilter* const source_;
  PictureQueue queue_;
  // The frame gate of the filter downstream, followed by the decoding thread: pictures it
  // would discard are not stored or delivered.
  FrameGateFollower gate_;
  std::thread decoder_;
  bool firstSample_ = true;
  bool started_ = false;  // a run has read from the file: the next one rewinds
};

class FileSourceFilter final : public CSource, public IFileSourceFilter, public ITarnFileSourceOptions {
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

  VideoFileReader& Reader() { return reader_; }
  bool Loaded() const { return loaded_; }
  std::uint64_t SkippedPictures() const { return stream_ != nullptr ? stream_->SkippedPictures() : 0; }

 private:
  VideoFileReader reader_;
  VideoFileReader::Options options_;
  std::wstring fileName_;
  bool loaded_ = false;
  std::string lastError_;
  FileSourceStream* stream_ = nullptr;  // owned by CSource
};

}  // namespace tarn::platform
