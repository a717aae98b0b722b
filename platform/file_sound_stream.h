// The file source's sound pin, "Audio": the file's audio stream decoded to
// 16-bit PCM (see AudioFileReader), timed from the same origin as the
// pictures of the "Output" pin. Each run begins with a new segment from 0 to
// the run's length when the file tells it, so that the sound written from it
// ends where the pictures end.
#pragma once

#include "media/base/SourceStream.h"
#include "platform/audio_file_reader.h"

namespace tarn::platform {

class FileSourceFilter;

class FileSoundStream final : public CSourceStream {
 public:
  FileSoundStream(FileSourceFilter* filter, HRESULT* phr);

  // 16-bit PCM of the stream; VFW_E_NOT_CONNECTED when the file has no sound to give.
  HRESULT GetMediaType(CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT OnThreadStartPlay() override;

 private:
  FileSourceFilter* const source_;
  std::span<const std::uint8_t> pending_;  // decoded bytes not yet delivered
  REFERENCE_TIME next_ = 0;                // start of the next sample
  bool firstSample_ = true;
  bool started_ = false;  // a run has read from the file: the next one rewinds
};

}  // namespace tarn::platform
