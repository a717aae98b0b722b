#include "platform/acm_wrapper_filter.h"

#include "platform/platform_ids.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <array>
#include <new>

namespace tarn::platform {

namespace {

// Formats offered after the input's own, most common first.
constexpr std::array<PcmFormat, 6> kOfferedFormats = {
    {{2, 48000, 16}, {2, 44100, 16}, {1, 48000, 16}, {2, 32000, 16}, {2, 22050, 16}, {1, 22050, 16}}};
constexpr LONG kOutputBufferBytes = 32768;
constexpr REFERENCE_TIME kTimeTolerance = 20 * MILLISECONDS;

bool Convertible(const PcmFormat& format) {
  return format.channels >= 1 && format.channels <= 8 && format.sampleRate >= 1000 && format.sampleRate <= 384000;
}

}  // namespace

CUnknown* AcmWrapperFilter::CreateInstance(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) AcmWrapperFilter(outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

AcmWrapperFilter::AcmWrapperFilter(IUnknown* outer) : CChunkTransformFilter(L"ACM wrapper", outer, kAcmWrapperClsid) {}

AcmWrapperFilter::~AcmWrapperFilter() = default;

HRESULT AcmWrapperFilter::CheckInputType(const CMediaType* in) {
  if (in == nullptr) return E_POINTER;
  const std::optional<PcmFormat> format = PcmFormatOf(*in);
  return format && Convertible(*format) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapperFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) {
  const std::optional<PcmFormat> format = PcmFormatOf(*mediaType);
  if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
  (direction == PINDIR_INPUT ? input_ : output_) = *format;
  return S_OK;
}

HRESULT AcmWrapperFilter::GetMediaType(int position, CMediaType* mediaType) {
  if (!m_pInput->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (mediaType == nullptr) return E_POINTER;
  if (position == 0) {
    *mediaType = MakePcmType(input_);
    return S_OK;
  }
  // The input's own format is not offered twice.
  int index = 0;
  for (const PcmFormat& format : kOfferedFormats) {
    if (format == input_) continue;
    if (++index == position) {
      *mediaType = MakePcmType(format);
      return S_OK;
    }
  }
  return VFW_S_NO_MORE_ITEMS;
}

HRESULT AcmWrapperFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  const std::optional<PcmFormat> format = PcmFormatOf(*out);
  return format && Convertible(*format) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapperFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  return DecidePcmBufferSize(allocator, request, kOutputBufferBytes, output_);
}

HRESULT AcmWrapperFilter::StartStreaming() {
  converter_ = PassesThrough() ? nullptr : std::make_unique<PcmConverter>(output_);
  clock_ = PcmClock{};
  timed_ = false;
  return S_OK;
}

HRESULT AcmWrapperFilter::StopStreaming() {
  converter_.reset();
  return S_OK;
}

HRESULT AcmWrapperFilter::ReceiveChunk(const InputChunk& chunk) {
  if (chunk.discontinuity) clock_.discontinuity = true;
  if (chunk.start &&
      (!timed_ || clock_.next - *chunk.start > kTimeTolerance || *chunk.start - clock_.next > kTimeTolerance)) {
    // The output follows the input's clock; the resampler's delay is within the tolerance.
    clock_.next = *chunk.start;
    timed_ = true;
  }

  const std::uint8_t* data = chunk.data;
  const int frames = static_cast<int>(chunk.size / static_cast<std::size_t>(input_.BlockAlign()));
  if (!converter_)
    return DeliverPcm(m_pOutput.get(), {data, static_cast<std::size_t>(frames) * input_.BlockAlign()}, output_, clock_);
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, input_.channels);
  const std::uint8_t* planes[1] = {data};
  const std::span<const std::uint8_t> pcm =
      converter_->Convert(planes, frames, input_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16, layout,
                          static_cast<int>(input_.sampleRate));
  av_channel_layout_uninit(&layout);
  return DeliverPcm(m_pOutput.get(), pcm, output_, clock_);
}

HRESULT AcmWrapperFilter::EndOfStream() {
  if (converter_) DeliverPcm(m_pOutput.get(), converter_->Drain(), output_, clock_);
  return CTransformFilter::EndOfStream();
}

HRESULT AcmWrapperFilter::EndFlush() {
  {
    CAutoLock lock(&m_csReceive);
    if (converter_) converter_ = std::make_unique<PcmConverter>(output_);
    clock_.discontinuity = true;
    timed_ = false;
  }
  return CTransformFilter::EndFlush();
}

}  // namespace tarn::platform
