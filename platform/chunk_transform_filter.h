// A transform filter that does not make one output sample per input sample. Decoders and format
// converters take each input's bytes with its start time and discontinuity flag, and deliver
// any number of outputs themselves: none while a frame is still incomplete, several when one
// input holds several frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "media/base/TransformFilter.h"

namespace tarn::platform {

struct InputChunk {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;                 // never 0: empty samples are passed over
  std::optional<REFERENCE_TIME> start;  // none for an untimed sample
  bool discontinuity = false;
};

class CChunkTransformFilter : public CTransformFilter {
 public:
  using CTransformFilter::CTransformFilter;

  HRESULT Receive(IMediaSample* sample) final;

 protected:
  // Called under the receive lock, like Receive, for every sample that carries bytes.
  virtual HRESULT ReceiveChunk(const InputChunk& chunk) = 0;
};

}  // namespace tarn::platform
