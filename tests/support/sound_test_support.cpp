#include "tests/support/sound_test_support.h"

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace aud_test {

CMediaType PcmType(DWORD rate, WORD channels) {
  WAVEFORMATEX wave{};
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = channels;
  wave.nSamplesPerSec = rate;
  wave.wBitsPerSample = 16;
  wave.nBlockAlign = static_cast<WORD>(channels * 2);
  wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
  CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(&MEDIASUBTYPE_PCM);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  type.SetSampleSize(wave.nBlockAlign);
  type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof(wave));
  return type;
}

std::vector<std::int16_t> Tone(const std::vector<double>& frequencies, double amplitude, DWORD rate, double from,
                               std::size_t frames) {
  std::vector<std::int16_t> samples;
  samples.reserve(frames * frequencies.size());
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = from + static_cast<double>(i) / rate;
    for (double f : frequencies)
      samples.push_back(
          static_cast<std::int16_t>(std::lround(amplitude * 32767.0 * std::sin(2 * std::numbers::pi * f * t))));
  }
  return samples;
}

// ---- source ----

ToneSourcePin::ToneSourcePin(ToneSource* filter, HRESULT* phr)
    : CBaseOutputPin(L"Tone source pin", filter, &filter->lock, phr, L"Out") {}

HRESULT ToneSourcePin::CheckMediaType(const CMediaType* mediaType) {
  if (offered.empty()) return *mediaType->Type() == MEDIATYPE_Audio ? S_OK : E_FAIL;
  for (const CMediaType& type : offered)
    if (type == *mediaType) return S_OK;
  return E_FAIL;
}

HRESULT ToneSourcePin::GetMediaType(int position, CMediaType* mediaType) {
  if (position < 0) return E_INVALIDARG;
  if (static_cast<std::size_t>(position) >= offered.size()) return VFW_S_NO_MORE_ITEMS;
  *mediaType = offered[static_cast<std::size_t>(position)];
  return S_OK;
}

HRESULT ToneSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = 2;
  request->cbBuffer = bufferSize;
  ALLOCATOR_PROPERTIES granted{};
  return allocator->SetProperties(request, &granted);
}

ToneSource::ToneSource() : CBaseFilter(L"Tone source", nullptr, &lock, GUID_NULL), pin(this, nullptr) {}

HRESULT ToneSource::Push(const std::vector<std::int16_t>& samples, std::optional<REFERENCE_TIME> start,
                         const CMediaType* newType) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = pin.GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  const auto bytes = static_cast<LONG>(samples.size() * sizeof(std::int16_t));
  if (bytes > sample->GetSize()) return E_INVALIDARG;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::memcpy(data, samples.data(), static_cast<std::size_t>(bytes));
  sample->SetActualDataLength(bytes);
  if (start) {
    REFERENCE_TIME s = *start;
    sample->SetTime(&s, nullptr);
  }
  if (newType != nullptr) {
    CMediaType copy(*newType);
    sample->SetMediaType(&copy);
  }
  return pin.Deliver(sample.Get());
}

// ---- sink ----

PcmSinkPin::PcmSinkPin(PcmSink* filter, HRESULT* phr)
    : CBaseInputPin(L"PCM sink pin", filter, &filter->lock, phr, L"In") {}

HRESULT PcmSinkPin::CheckMediaType(const CMediaType* mediaType) {
  return *mediaType->Type() == MEDIATYPE_Audio && *mediaType->Subtype() == MEDIASUBTYPE_PCM ? S_OK : E_FAIL;
}

HRESULT PcmSinkPin::Receive(IMediaSample* sample) {
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed != nullptr) {
    ++typeChanges;
    DeleteMediaType(changed);
  }
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  bytes.insert(bytes.end(), data, data + sample->GetActualDataLength());
  REFERENCE_TIME start = 0, stop = 0;
  if (sample->GetTime(&start, &stop) == S_OK) times.emplace_back(start, stop);
  return S_OK;
}

HRESULT PcmSinkPin::EndOfStream() {
  ++endOfStreams;
  return S_OK;
}

PcmSink::PcmSink() : CBaseFilter(L"PCM sink", nullptr, &lock, GUID_NULL), pin(this, nullptr) {}

// ---- the sound file ----

DecodedSound ReadSound(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return DecodeSound(bytes);
}

double ZeroCrossingFrequency(const std::vector<double>& samples, double rate, std::size_t from, std::size_t to) {
  std::optional<std::size_t> first, last;
  int crossings = 0;
  for (std::size_t i = from + 1; i < to && i < samples.size(); ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) {
      if (!first)
        first = i;
      else
        ++crossings;
      last = i;
    }
  }
  if (!first || crossings == 0) return 0;
  return crossings * rate / static_cast<double>(*last - *first);
}

double Rms(const std::vector<double>& samples, std::size_t from, std::size_t to) {
  double sum = 0;
  std::size_t count = 0;
  for (std::size_t i = from; i < to && i < samples.size(); ++i, ++count) sum += samples[i] * samples[i];
  return count == 0 ? 0 : std::sqrt(sum / static_cast<double>(count));
}

// ---- the chain ----

void SoundChain::SetUp() {
  iniPath = folder.path() / "TarnMedia.ini";
  soundPath = folder.path() / "00001.tms";
  iniVariable.emplace("TARNMEDIA_INI", iniPath.string());
  source = ComPtr<ToneSource>(new ToneSource);
  sink = ComPtr<PcmSink>(new PcmSink);
  HRESULT hr = S_OK;
  encoder = ComPtr<tarn::aud::AudioEncoderFilter>(
      static_cast<tarn::aud::AudioEncoderFilter*>(tarn::aud::AudioEncoderFilter::CreateInstance(nullptr, &hr)));
  ASSERT_TRUE(encoder);
}

void SoundChain::TearDown() {
  if (!encoder) return;
  source->Stop();
  encoder->Stop();
  sink->Stop();
  source->pin.Disconnect();
  encoder->GetPin(0)->Disconnect();
  encoder->GetPin(1)->Disconnect();
  sink->pin.Disconnect();
}

void SoundChain::WriteSettings(std::map<std::string, std::string> values) {
  values.try_emplace("FileName", soundPath.string());
  std::ofstream out(iniPath);
  out << "[AudioOut]\n";
  for (const auto& [key, value] : values) out << key << "=" << value << "\n";
}

void SoundChain::Connect(DWORD rate, WORD channels) {
  rate_ = rate;
  channels_ = channels;
  source->pin.offered = {PcmType(rate, channels)};
  ASSERT_EQ(source->pin.Connect(encoder->GetPin(0), nullptr), S_OK);
  ASSERT_EQ(encoder->GetPin(1)->Connect(&sink->pin, nullptr), S_OK);
}

HRESULT SoundChain::Start() {
  EXPECT_EQ(sink->Pause(), S_OK);
  const HRESULT hr = encoder->Pause();
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(source->Pause(), S_OK);
  }
  return hr;
}

HRESULT SoundChain::Stop() {
  source->Stop();
  const HRESULT hr = encoder->Stop();
  sink->Stop();
  return hr;
}

void SoundChain::PushTone(const std::vector<double>& frequencies, double amplitude, double from, double seconds,
                          std::size_t bufferFrames) {
  const auto total = static_cast<std::size_t>(std::llround(seconds * rate_));
  for (std::size_t done = 0; done < total; done += bufferFrames) {
    const std::size_t frames = std::min(bufferFrames, total - done);
    const double at = from + static_cast<double>(done) / rate_;
    const auto start = static_cast<REFERENCE_TIME>(std::llround(at * 1e7));
    ASSERT_EQ(source->Push(Tone(frequencies, amplitude, rate_, at, frames), start), S_OK);
  }
}

DecodedSound SoundChain::Encode(std::map<std::string, std::string> settings, const std::vector<double>& frequencies,
                                double amplitude, double seconds) {
  WriteSettings(std::move(settings));
  Connect(48'000, static_cast<WORD>(frequencies.size()));
  EXPECT_EQ(Start(), S_OK);
  PushTone(frequencies, amplitude, 0.0, seconds);
  EXPECT_EQ(Stop(), S_OK);
  return ReadSound(soundPath);
}

}  // namespace aud_test
