#include "platform/file_sound_stream.h"

#include "platform/file_source_filter.h"
#include "platform/pcm_delivery.h"

#include <algorithm>
#include <cstring>

namespace tarn::platform {

FileSoundStream::FileSoundStream(FileSourceFilter* filter, HRESULT* phr)
    : CSourceStream(L"File source sound", phr, filter, L"Audio"), source_(filter) {}

HRESULT FileSoundStream::GetMediaType(CMediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!source_->Loaded() || !source_->Sound().Opened()) return VFW_E_NOT_CONNECTED;
  *mediaType = MakePcmType(source_->Sound().Format());
  return S_OK;
}

HRESULT FileSoundStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const PcmFormat& format = source_->Sound().Format();
  // A tenth of a second a sample.
  const auto bytes = static_cast<LONG>(format.sampleRate / 10 * format.BlockAlign());
  return DecidePcmBufferSize(allocator, request, bytes, format);
}

HRESULT FileSoundStream::OnThreadCreate() {
  AudioFileReader& reader = source_->Sound();
  if ((started_ || source_->PlaysFromWithin()) && FAILED(reader.Rewind())) return E_FAIL;
  started_ = true;
  firstSample_ = true;
  pending_ = {};
  next_ = 0;
  return S_OK;
}

HRESULT FileSoundStream::OnThreadStartPlay() {
  const REFERENCE_TIME length = source_->PlayLength();
  return DeliverNewSegment(0, length > 0 ? length : MAX_TIME, 1.0);
}

HRESULT FileSoundStream::FillBuffer(IMediaSample* sample) {
  AudioFileReader& reader = source_->Sound();
  const std::size_t block = reader.Format().BlockAlign();
  while (pending_.size() < block) {
    PcmChunk chunk;
    const ReadResult result = reader.Read(&chunk);
    if (result == ReadResult::kEnd) return S_FALSE;
    if (result == ReadResult::kError) return VFW_E_INVALID_FILE_FORMAT;
    pending_ = chunk.bytes;
    if (chunk.start) next_ = *chunk.start;
  }
  BYTE* buffer = nullptr;
  HRESULT hr = sample->GetPointer(&buffer);
  if (FAILED(hr)) return hr;
  const std::size_t room = static_cast<std::size_t>(std::max<LONG>(sample->GetSize(), 0)) / block * block;
  if (room == 0) return VFW_E_BUFFER_OVERFLOW;
  const std::size_t length = std::min(room, pending_.size() / block * block);
  std::memcpy(buffer, pending_.data(), length);
  pending_ = pending_.subspan(length);
  if (pending_.size() < block) pending_ = {};  // a partial frame is not PCM

  REFERENCE_TIME start = next_;
  REFERENCE_TIME stop = start + static_cast<REFERENCE_TIME>(length / block) * UNITS / reader.Format().sampleRate;
  next_ = stop;
  sample->SetActualDataLength(static_cast<LONG>(length));
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  sample->SetDiscontinuity(firstSample_ ? TRUE : FALSE);
  firstSample_ = false;
  return S_OK;
}

}  // namespace tarn::platform
