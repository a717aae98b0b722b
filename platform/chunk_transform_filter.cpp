#include "platform/chunk_transform_filter.h"

namespace tarn::platform {

HRESULT CChunkTransformFilter::Receive(IMediaSample* sample) {
  BYTE* data = nullptr;
  const HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const LONG length = sample->GetActualDataLength();
  if (length <= 0) return S_OK;
  InputChunk chunk;
  chunk.data = data;
  chunk.size = static_cast<std::size_t>(length);
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) chunk.start = start;
  chunk.discontinuity = sample->IsDiscontinuity() == S_OK;
  return ReceiveChunk(chunk);
}

}  // namespace tarn::platform
