#include "encoder/video_encoder_filter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "codec/encode_rows.h"
#include "codec/frame_decoder.h"
#include "encoder/encoder_input_pin.h"
#include "encoder/encoder_process_state.h"
#include "base/settings_location.h"
#include "encoder/encoder_settings.h"
#include "formats/record_builder.h"
#include "media/dshow/EventCodes.h"
#include "encoder/video_encoder_ids.h"

namespace tarn::venc {
namespace {

constexpr LONG kMinimumOutputBuffer = 153'600;

// The three-way answer of a sample's boolean property: S_OK true, S_FALSE false.
HRESULT CopyFlag(HRESULT answer, IMediaSample* out, HRESULT (IMediaSample::*set)(BOOL)) {
  if (answer != S_OK && answer != S_FALSE) return E_UNEXPECTED;
  (out->*set)(answer == S_OK ? TRUE : FALSE);
  return S_OK;
}

// Marks the coding of a kept frame, from its gate to its end.
class CodingFrame {
 public:
  explicit CodingFrame(std::atomic<bool>& flag) : flag_(flag) { flag_.store(true, std::memory_order_relaxed); }
  ~CodingFrame() { flag_.store(false, std::memory_order_relaxed); }
  CodingFrame(const CodingFrame&) = delete;
  CodingFrame& operator=(const CodingFrame&) = delete;

 private:
  std::atomic<bool>& flag_;
};

std::size_t Rgb24Bytes(const BITMAPINFOHEADER& header) {
  return static_cast<std::size_t>(header.biWidth) * static_cast<std::size_t>(header.biHeight) * 3;
}

// Packed 4:2:2 rows hold whole pixel pairs: an odd width ends on half a pair.
std::size_t Yuy2Bytes(const BITMAPINFOHEADER& header) {
  return (static_cast<std::size_t>(header.biWidth) + 1) / 2 * 4 * static_cast<std::size_t>(header.biHeight);
}

}  // namespace

CUnknown* VideoEncoderFilter::CreateInstance(IUnknown* outer, HRESULT* phr) {
  VideoEncoderFilter* filter = nullptr;
  try {
    filter = new VideoEncoderFilter(outer);
  } catch (const std::bad_alloc&) {
    filter = nullptr;
  }
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

VideoEncoderFilter::VideoEncoderFilter(IUnknown* outer)
    : CTransformFilter(L"Video encoder filter", outer, kVideoEncoderClsid),
      outputType_(MakePreviewType()),
      clock_(GetOwner(), nullptr) {
  FramesStarted().store(false, std::memory_order_relaxed);
  HRESULT hr = S_OK;
  m_pInput = std::make_unique<EncoderInputPin>(this, &hr, FrameGate::kFrameStep, publishedGrid_,
                                               [this](IMediaSample* sample) { return PrepareAhead(sample); });
  m_pOutput = std::make_unique<CTransformOutputPin>(L"Transform output pin", this, &hr, L"XForm Out");
}

VideoEncoderFilter::~VideoEncoderFilter() = default;

HRESULT VideoEncoderFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IReferenceClock) return clock_.NonDelegatingQueryInterface(riid, ppv);
  return CTransformFilter::NonDelegatingQueryInterface(riid, ppv);
}

// ---- types and buffers ----

HRESULT VideoEncoderFilter::CheckInputType(const CMediaType* in) { return DescribeInput(in, &working_); }

HRESULT VideoEncoderFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (DescribeInput(in, nullptr) != S_OK) return E_FAIL;
  return IsRgb24Video(*out) ? S_OK : E_FAIL;
}

HRESULT VideoEncoderFilter::GetMediaType(int position, CMediaType* mediaType) {
  if (m_pInput == nullptr || !m_pInput->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (mediaType == nullptr) return E_POINTER;
  outputType_ = MakePreviewType();
  return mediaType->Set(outputType_);
}

HRESULT VideoEncoderFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (m_pInput == nullptr || !m_pInput->IsConnected()) return E_UNEXPECTED;
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  // YUY2 input is converted into the output buffer, so it must hold the whole input picture
  // in RGB24 form as well as the preview.
  const ULONG inputBytes =
      std::min<ULONG>(connectedInput_.type.GetSampleSize(), static_cast<ULONG>(std::numeric_limits<LONG>::max()));
  request->cBuffers = 1;
  request->cbBuffer = std::max(kMinimumOutputBuffer, static_cast<LONG>(inputBytes));
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cBuffers < request->cBuffers || actual.cbBuffer < request->cbBuffer) return E_FAIL;
  return S_OK;
}

// ---- streaming ----

HRESULT VideoEncoderFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) {
  if (direction != PINDIR_INPUT) return S_OK;
  const HRESULT hr = DescribeInput(mediaType, &connectedInput_);
  PublishInputSize();
  return hr;
}

void VideoEncoderFilter::PublishInputSize() {
  const BITMAPINFOHEADER& header = connectedInput_.format.bmiHeader;
  ahead_.SetInput(connectedInput_.yuy2, header.biWidth, header.biHeight);
}

HRESULT VideoEncoderFilter::BeginFlush() {
  ahead_.Forget();
  return CTransformFilter::BeginFlush();
}

HRESULT VideoEncoderFilter::EndFlush() {
  // Pictures prepared while the flush went on belong to samples it threw away.
  ahead_.Forget();
  return CTransformFilter::EndFlush();
}

HRESULT VideoEncoderFilter::StartStreaming() {
  const settings::ProfileFile settingsFile = settings::OpenSettingsFile();
  const std::string fileName = settings::ReadEncoderFileName(settingsFile);
  // Created for writing, readable by others, replacing any earlier file; the write position
  // is left at 512, behind the header that is written at stop.
  const int error = movieFile_.Create(fileName);
  if (error != 0) {
    movieFile_.Close();
    return HResultFromErrno(error);
  }
  totalBytes_ = static_cast<std::uint32_t>(movie::kHeaderBytes);
  writeFailureReported_ = false;
  CurrentSize().store(static_cast<std::int32_t>(totalBytes_), std::memory_order_relaxed);

  pictures_.reset(new (std::nothrow) PictureBuffer());
  records_.reset(new (std::nothrow) RecordBuffer());
  try {
    encoder_ = std::make_unique<codec::FrameEncoder>(codec::HelperThreadPays());
  } catch (const std::bad_alloc&) {
    encoder_.reset();
  }
  if (!pictures_ || !records_ || !encoder_) {
    // The base does not stop a stream that failed to start: close the file here.
    ReleaseStreamResources();
    movieFile_.Close();
    return E_OUTOFMEMORY;
  }

  reference_ = pictures_->references[0];
  decoded_ = pictures_->references[1];
  ReadSettingsAndBuildTables();
  // Without memory for them, every picture is prepared on receipt as usual.
  PublishInputSize();
  ahead_.Start(std::max<std::size_t>(kMinimumOutputBuffer, Rgb24Bytes(connectedInput_.format.bmiHeader)));
  FramesStarted().store(false, std::memory_order_relaxed);
  gate_.Reset();
  publishedGrid_.store(gate_.Grid(), std::memory_order_release);
  writtenFrames_ = 0;
  return S_OK;
}

void VideoEncoderFilter::ReadSettingsAndBuildTables() {
  settings::EncoderSettings values;
  settings::ReadEncoderPictureSettings(settings::OpenSettingsFile(), values);
  codec::BuildPictureTables(values.brightness, values.contrast, values.enhance, tables_);
  fitSettings_.targetWidth = values.imageWidth;
  fitSettings_.targetHeight = values.imageHeight;
  fitSettings_.changeScale = values.changeScale != 0;
  fitSettings_.fullOut = values.fullOut != 0;
  fitSettings_.saturationShift = values.saturation;
  encoderSettings_.mode = values.mode;
  encoderSettings_.targetWidth = values.imageWidth;
  encoderSettings_.targetHeight = values.imageHeight;
}

void VideoEncoderFilter::ReleaseStreamResources() {
  ahead_.Stop();
  pictures_.reset();
  records_.reset();
  encoder_.reset();
  reference_ = decoded_ = nullptr;
}

HRESULT VideoEncoderFilter::StopStreaming() {
  ReleaseStreamResources();
  if (!movieFile_.IsOpen()) return S_OK;
  // The header carries the length of every record written whole; on failure the file stays
  // open without it.
  return HResultFromErrno(movieFile_.Finish());
}

// ---- the per-sample step ----

HRESULT VideoEncoderFilter::Transform(IMediaSample* in, IMediaSample* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (!pictures_ || !records_ || !encoder_) return E_UNEXPECTED;
  HRESULT hr = CheckSampleSizes(in, out);
  if (FAILED(hr)) return hr;

  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timed = in->GetTime(&start, &stop) == S_OK;
  if (timed) {
    out->SetTime(&start, &stop);
    const bool kept = gate_.Admit(start);
    publishedGrid_.store(gate_.Grid(), std::memory_order_release);
    if (!kept) {
      FramesStarted().store(true, std::memory_order_relaxed);
      return S_FALSE;
    }
  } else {
    out->SetTime(nullptr, nullptr);
  }
  clock_.TopUpForKeptFrame();
  const CodingFrame coding(coding_);

  BYTE* input = nullptr;
  BYTE* output = nullptr;
  in->GetPointer(&input);
  out->GetPointer(&output);
  const std::uint8_t* preparedAhead = timed ? PreparedAheadFor(in, start, stop) : nullptr;
  if (preparedAhead == nullptr) {
    // A YUY2 picture is converted (and halved) into the output sample, which later receives
    // the preview.
    const BITMAPINFOHEADER& header = connectedInput_.format.bmiHeader;
    PreparePicture(input, connectedInput_.yuy2, header.biWidth, header.biHeight, output, pictures_->fitWork,
                   pictures_->prepared);
  }
  const std::size_t encodedBytes =
      encoder_->EncodeFrame(preparedAhead != nullptr ? preparedAhead : pictures_->prepared, records_->referenceCopy,
                            records_->record + movie::kLengthWordBytes, encoderSettings_);
  if (preparedAhead != nullptr) ahead_.Release();
  FramesStarted().store(true, std::memory_order_relaxed);

  std::size_t recordBytes = 0;
  hr = WriteRecord(encodedBytes, &recordBytes);
  if (FAILED(hr)) return hr;
  UpdateReference(recordBytes, output);
  if (writtenFrames_ % movie::kRecordsPerReferenceReset == 0) {
    // Encoder and player both predict the next frame from black.
    std::memset(static_cast<void*>(pictures_.get()), 0, sizeof(PictureBuffer));
    std::memset(static_cast<void*>(records_.get()), 0, sizeof(RecordBuffer));
  }
  return CopySampleProperties(in, out);
}

HRESULT VideoEncoderFilter::CheckSampleSizes(IMediaSample* in, IMediaSample* out) {
  // The picture size comes from the media type; a sample too small for it would be read or
  // written past its end.
  const BITMAPINFOHEADER& header = connectedInput_.format.bmiHeader;
  const std::size_t inputNeeds = connectedInput_.yuy2 ? Yuy2Bytes(header) : Rgb24Bytes(header);
  std::size_t outputNeeds = kPreviewBytes;
  if (connectedInput_.yuy2) outputNeeds = std::max(outputNeeds, Rgb24Bytes(header));
  const LONG inputSize = in->GetSize();
  const LONG outputSize = out->GetSize();
  if (inputSize < 0 || static_cast<std::size_t>(inputSize) < inputNeeds) return E_INVALIDARG;
  if (outputSize < 0 || static_cast<std::size_t>(outputSize) < outputNeeds) return VFW_E_BUFFER_OVERFLOW;
  return S_OK;
}

const std::uint8_t* VideoEncoderFilter::PreparedAheadFor(IMediaSample* in, REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (!connectedInput_.yuy2) return nullptr;
  const BITMAPINFOHEADER& header = connectedInput_.format.bmiHeader;
  return ahead_.Take({in, start, stop, header.biWidth, header.biHeight});
}

HRESULT VideoEncoderFilter::PrepareAhead(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  // Only while a frame is being coded here, the decoder being the one ahead: with the encoder
  // waiting for pictures, the decoder is behind and had better not take on more.
  if (!coding_.load(std::memory_order_relaxed)) return S_FALSE;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  BYTE* input = nullptr;
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetTime(&start, &stop) != S_OK || sample->GetPointer(&input) != S_OK || input == nullptr) return S_FALSE;
  // A sample with a type of its own changes the input's size when it arrives.
  if (sample->GetMediaType(&changed) == S_OK) {
    DeleteMediaType(changed);
    return S_FALSE;
  }
  // RGB24 pictures are halved in the sample's own buffer: only YUY2 is prepared ahead.
  PreparedAhead::Slot* slot = ahead_.Claim(sample, start, stop);
  if (slot == nullptr) return S_FALSE;
  BITMAPINFOHEADER header{};
  header.biWidth = slot->key.width;
  header.biHeight = slot->key.height;
  const LONG available = sample->GetSize();
  if (available < 0 || static_cast<std::size_t>(available) < Yuy2Bytes(header)) {
    ahead_.Finish(slot, false);
    return S_FALSE;
  }
  PreparePicture(input, true, header.biWidth, header.biHeight, slot->scratch.get(), slot->fitWork.get(),
                 slot->prepared.get());
  ahead_.Finish(slot, true);
  return S_OK;
}

void VideoEncoderFilter::PreparePicture(BYTE* input, bool yuy2, int width, int height, BYTE* scratch,
                                        std::uint8_t* fitWork, std::uint8_t* prepared) const {
  BYTE* source = input;
  if (yuy2) {
    codec::YuvToHalvedRgb(input, scratch, width, height, fitSettings_);
    source = scratch;
  } else {
    // Halving works in place: it rewrites the input sample's own buffer.
    codec::HalvePicture(source, width, height, fitSettings_);
  }
  codec::FitPicture(source, width, height, fitSettings_, tables_, fitWork, prepared);
}

HRESULT VideoEncoderFilter::WriteRecord(std::size_t encodedBytes, std::size_t* recordBytes) {
  std::uint8_t* record = records_->record;
  const movie::RecordLayout layout = movie::BuildRecord(record, encodedBytes, writtenFrames_);
  movie::TogglePayloadMask(record);
  const int error = movieFile_.AppendRecord(record, layout.FileBytes());
  movie::TogglePayloadMask(record);
  // A failed write counts nothing; the next sample is handled as usual. The graph hears of the
  // first one (a full disk), so that the program driving it does not take the file as whole.
  if (error != 0) {
    const HRESULT hr = HResultFromErrno(error);
    if (!writeFailureReported_) NotifyEvent(EC_ERRORABORT, hr, 0);
    writeFailureReported_ = true;
    return hr;
  }

  totalBytes_ += static_cast<std::uint32_t>(layout.FileBytes());
  CurrentSize().store(static_cast<std::int32_t>(totalBytes_), std::memory_order_relaxed);
  ++writtenFrames_;
  *recordBytes = layout.FileBytes();
  return S_OK;
}

void VideoEncoderFilter::UpdateReference(std::size_t recordBytes, BYTE* preview) {
  if (codec::DecodeFrame(records_->record, recordBytes, reference_, decoded_) == codec::DecodeStatus::kOk) {
    std::swap(reference_, decoded_);
  }
  codec::ReferenceToRgbAndPreview(reference_, records_->referenceCopy, preview);
}

HRESULT VideoEncoderFilter::CopySampleProperties(IMediaSample* in, IMediaSample* out) {
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK) out->SetMediaTime(&mediaStart, &mediaStop);
  HRESULT hr = CopyFlag(in->IsSyncPoint(), out, &IMediaSample::SetSyncPoint);
  if (FAILED(hr)) return hr;
  out->SetMediaType(&outputType_);
  hr = CopyFlag(in->IsPreroll(), out, &IMediaSample::SetPreroll);
  if (FAILED(hr)) return hr;
  hr = CopyFlag(in->IsDiscontinuity(), out, &IMediaSample::SetDiscontinuity);
  if (FAILED(hr)) return hr;
  out->SetActualDataLength(static_cast<LONG>(kPreviewBytes));
  return S_OK;
}

}  // namespace tarn::venc
