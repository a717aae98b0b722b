#include "tests/support/encoder_test_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "codec/frame_decoder.h"
#include "encoder/encoder_media_types.h"
#include "formats/byte_source.h"
#include "formats/movie_player.h"
#include "formats/movie_reader.h"

namespace venc_test {

Bytes Rgb24Frame(int width, int height, int frame) {
  Bytes picture(static_cast<std::size_t>(width) * height * 3);
  const int boxSize = std::max(8, height / 4);
  const int boxLeft = (frame * 7) % std::max(1, width - boxSize);
  for (int row = 0; row < height; ++row) {  // bottom row first
    const int y = height - 1 - row;         // top-down position
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = picture.data() + (static_cast<std::size_t>(row) * width + x) * 3;
      const bool inBox = x >= boxLeft && x < boxLeft + boxSize && y >= height / 3 && y < height / 3 + boxSize;
      pixel[0] = static_cast<std::uint8_t>(inBox ? 250 : x * 255 / width);
      pixel[1] = static_cast<std::uint8_t>(inBox ? 240 : y * 255 / height);
      pixel[2] = static_cast<std::uint8_t>(inBox ? 30 : (x + y + frame) % 256);
    }
  }
  return picture;
}

Bytes Yuy2Frame(int width, int height, int frame) {
  const int groups = (width + 1) / 2;
  Bytes picture(static_cast<std::size_t>(groups) * 4 * height);
  for (int y = 0; y < height; ++y) {
    for (int g = 0; g < groups; ++g) {
      std::uint8_t* group = picture.data() + (static_cast<std::size_t>(y) * groups + g) * 4;
      group[0] = static_cast<std::uint8_t>(16 + (2 * g + y + frame * 3) % 220);
      group[1] = static_cast<std::uint8_t>(64 + g % 128);
      group[2] = static_cast<std::uint8_t>(16 + (2 * g + 1 + y + frame * 3) % 220);
      group[3] = static_cast<std::uint8_t>(200 - y % 128);
    }
  }
  return picture;
}

// ---- source ----

PictureSourcePin::PictureSourcePin(PictureSource* filter, HRESULT* phr)
    : CBaseOutputPin(L"Picture source pin", filter, &filter->lock, phr, L"Out") {}

HRESULT PictureSourcePin::CheckMediaType(const CMediaType* mediaType) { return *mediaType == type ? S_OK : E_FAIL; }

HRESULT PictureSourcePin::GetMediaType(int position, CMediaType* mediaType) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = type;
  return S_OK;
}

HRESULT PictureSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = 1;
  request->cbBuffer = bufferSize;
  ALLOCATOR_PROPERTIES actual{};
  return allocator->SetProperties(request, &actual);
}

PictureSource::PictureSource() : CBaseFilter(L"Picture source", nullptr, &lock, GUID_NULL), pin(this, nullptr) {}

HRESULT PictureSource::Push(const Bytes& picture, std::optional<REFERENCE_TIME> start,
                            std::optional<REFERENCE_TIME> stop, const SampleFlags& flags) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin.GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const std::size_t size = std::min(picture.size(), static_cast<std::size_t>(sample->GetSize()));
  std::memcpy(data, picture.data(), size);
  sample->SetActualDataLength(static_cast<LONG>(size));
  if (start) {
    REFERENCE_TIME s = *start;
    REFERENCE_TIME e = stop.value_or(0);
    sample->SetTime(&s, stop ? &e : nullptr);
  }
  sample->SetSyncPoint(flags.sync);
  sample->SetPreroll(flags.preroll);
  sample->SetDiscontinuity(flags.discontinuity);
  if (flags.mediaTimes) {
    LONGLONG a = flags.mediaTimes->first;
    LONGLONG b = flags.mediaTimes->second;
    sample->SetMediaTime(&a, &b);
  }
  return pin.Deliver(sample.Get());
}

// ---- sink ----

PreviewSinkPin::PreviewSinkPin(PreviewSink* filter, HRESULT* phr)
    : CBaseInputPin(L"Preview sink pin", filter, &filter->lock, phr, L"In") {}

HRESULT PreviewSinkPin::CheckMediaType(const CMediaType* mediaType) {
  return tarn::venc::IsRgb24Video(*mediaType) ? S_OK : E_FAIL;
}

HRESULT PreviewSinkPin::Receive(IMediaSample* sample) {
  AM_MEDIA_TYPE* carried = nullptr;
  Preview preview;
  if (sample->GetMediaType(&carried) == S_OK && carried != nullptr) {
    preview.type = CMediaType(*carried);
    DeleteMediaType(carried);
  }
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  preview.length = sample->GetActualDataLength();
  preview.pixels.assign(data, data + std::max<LONG>(preview.length, 0));
  preview.timeResult = sample->GetTime(&preview.start, &preview.stop);
  preview.sync = sample->IsSyncPoint() == S_OK;
  preview.preroll = sample->IsPreroll() == S_OK;
  preview.discontinuity = sample->IsDiscontinuity() == S_OK;
  preview.hasMediaTimes = sample->GetMediaTime(&preview.mediaStart, &preview.mediaStop) == S_OK;
  received.push_back(std::move(preview));
  return S_OK;
}

PreviewSink::PreviewSink() : CBaseFilter(L"Preview sink", nullptr, &lock, GUID_NULL), pin(this, nullptr) {}

// ---- movie ----

PlayedMovie PlayMovie(const std::filesystem::path& file) {
  PlayedMovie movie;
  tarn::movie::FileSource source;
  EXPECT_EQ(source.Open(file.string()), 0) << file;
  tarn::movie::MovieReader reader(source);
  movie.fileSize = reader.FileSize();
  movie.headerLength = reader.Header().fileLength;
  movie.finished = reader.Header().state == tarn::movie::HeaderState::kFinished;
  tarn::movie::MoviePlayer player;
  tarn::movie::ReadStatus status;
  while ((status = reader.Next()) == tarn::movie::ReadStatus::kRecord) {
    PlayedRecord played;
    const auto bytes = reader.RecordBytes();
    played.record.assign(bytes.begin(), bytes.end());
    player.Play(reader.Record(), bytes);
    played.screen.resize(tarn::codec::kRgbPictureBytes);
    tarn::codec::ReferenceToPreview(player.Screen().data(), played.screen.data());
    played.hasAppendix = reader.Record().appendix == tarn::movie::AppendixState::kPresent;
    played.appendixValid = reader.Record().MaskWordMatches() && reader.Record().tableMatches;
    movie.records.push_back(std::move(played));
  }
  movie.endsCleanly = status == tarn::movie::ReadStatus::kEnd;
  return movie;
}

// ---- chain ----

void EncoderChain::SetUp() {
  iniPath = folder.path() / "TarnMedia.ini";
  moviePath = folder.path() / "out.tmv";
  iniVariable.emplace("TARNMEDIA_INI", iniPath.string());
  WriteSettings({});
  source = ComPtr<PictureSource>(new PictureSource);
  HRESULT hr = S_OK;
  encoder = ComPtr<tarn::venc::VideoEncoderFilter>(
      static_cast<tarn::venc::VideoEncoderFilter*>(tarn::venc::VideoEncoderFilter::CreateInstance(nullptr, &hr)));
  ASSERT_EQ(hr, S_OK);
  sink = ComPtr<PreviewSink>(new PreviewSink);
  UseRgb24Input(320, 240);
}

void EncoderChain::TearDown() {
  sink->Stop();
  encoder->Stop();
  source->Stop();
  source->pin.Disconnect();
  encoder->GetPin(0)->Disconnect();
  encoder->GetPin(1)->Disconnect();
  sink->pin.Disconnect();
}

void EncoderChain::WriteSettings(std::map<std::string, std::string> values) {
  values.try_emplace("FileName", moviePath.string());
  std::ofstream out(iniPath, std::ios::trunc);
  out << "[SaveMovie]\n";
  for (const auto& [key, value] : values) out << key << "=" << value << "\n";
}

void EncoderChain::UseInput(const CMediaType& type, LONG bufferSize) {
  source->pin.type = type;
  source->pin.bufferSize = bufferSize;
}

void EncoderChain::UseRgb24Input(int width, int height) {
  UseInput(media_test::VideoType(MEDIASUBTYPE_RGB24, width, height, 24), width * height * 3);
}

void EncoderChain::ConnectAll() {
  ASSERT_EQ(source->pin.Connect(encoder->GetPin(0), nullptr), S_OK);
  ASSERT_EQ(encoder->GetPin(1)->Connect(&sink->pin, nullptr), S_OK);
}

HRESULT EncoderChain::StartAll() {
  EXPECT_EQ(sink->Pause(), S_OK);
  const HRESULT hr = encoder->Pause();
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(source->Pause(), S_OK);
  }
  return hr;
}

HRESULT EncoderChain::StopAll() {
  source->Stop();
  const HRESULT hr = encoder->Stop();
  sink->Stop();
  return hr;
}

void EncoderChain::EncodeFrames(int count, int width, int height, bool still) {
  ASSERT_EQ(StartAll(), S_OK);
  for (int i = 0; i < count; ++i) {
    const REFERENCE_TIME start = 1'000'000 * (i + 1);
    ASSERT_EQ(source->Push(Rgb24Frame(width, height, still ? 0 : i), start, start + 333'667), S_OK) << i;
  }
  ASSERT_EQ(StopAll(), S_OK);
}

}  // namespace venc_test
