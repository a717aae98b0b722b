// The audio encoder filter wired by hand between a tone source and a PCM sink, with its
// settings file and sound file in a private temporary folder; and a reader of the sound file
// that decodes it on its own (header by offsets, 8-bit PCM, IMA ADPCM) for the checks.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "media/base/BaseFilter.h"
#include "media/base/BaseInputPin.h"
#include "media/base/BaseOutputPin.h"
#include "tests/support/media_test_support.h"
#include "platform/platform_interfaces.h"
#include "tests/support/sound_file_decoder.h"
#include "tarnaud/audio_encoder_filter.h"

namespace aud_test {

// 16-bit PCM of `rate` and `channels`, as a decoder or the ACM wrapper offers it.
CMediaType PcmType(DWORD rate, WORD channels);

// A sine per channel (frequencies in Hz, amplitude of full scale), sampled at `rate` from
// time `from` (seconds) for `frames` frames, interleaved.
std::vector<std::int16_t> Tone(const std::vector<double>& frequencies, double amplitude, DWORD rate, double from,
                               std::size_t frames);

// ---- source: delivers timed PCM buffers ----

class ToneSource;

class ToneSourcePin : public CBaseOutputPin {
 public:
  ToneSourcePin(ToneSource* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  std::vector<CMediaType> offered;  // empty: takes whatever the peer proposes
  LONG bufferSize = 64 * 1024;
};

class ToneSource : public CBaseFilter {
 public:
  ToneSource();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

  // Delivers the samples in one buffer; `start` in 100 ns units, none for an untimed buffer.
  HRESULT Push(const std::vector<std::int16_t>& samples, std::optional<REFERENCE_TIME> start,
               const CMediaType* newType = nullptr);

  CCritSec lock;
  ToneSourcePin pin;
};

// ---- sink: keeps the PCM handed on ----

class PcmSink;

class PcmSinkPin : public CBaseInputPin {
 public:
  PcmSinkPin(PcmSink* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;

  std::vector<std::uint8_t> bytes;
  std::vector<std::pair<REFERENCE_TIME, REFERENCE_TIME>> times;
  int typeChanges = 0;
  int endOfStreams = 0;
};

class PcmSink : public CBaseFilter {
 public:
  PcmSink();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

  CCritSec lock;
  PcmSinkPin pin;
};

// ---- a sounding renderer's sink: keeps the 16-bit PCM it is handed and when ----

class SoundRecorder final : public ITarnSoundSink {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override;
  HRESULT PlaySound(const BYTE* pcm, LONG bytes, WORD channels, DWORD sampleRate, WORD bitsPerSample,
                    REFERENCE_TIME start) override;

  struct Handed {
    REFERENCE_TIME start;
    std::chrono::steady_clock::time_point at;
    std::size_t frames;
  };
  std::vector<Handed> Calls();
  // The first channel's samples as fractions of full scale.
  std::vector<double> FirstChannel();
  DWORD Rate();

 private:
  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  std::vector<Handed> calls_;
  std::vector<double> firstChannel_;
  DWORD rate_ = 0;
};

// ---- the sound file, decoded independently ----

DecodedSound ReadSound(const std::filesystem::path& file);

// Frequency by upward zero crossings over samples [from, to).
double ZeroCrossingFrequency(const std::vector<double>& samples, double rate, std::size_t from, std::size_t to);
double Rms(const std::vector<double>& samples, std::size_t from, std::size_t to);

// ---- the chain ----

class SoundChain : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes section "AudioOut" of the test's settings file; FileName is added when absent.
  void WriteSettings(std::map<std::string, std::string> values);
  void Connect(DWORD rate = 48'000, WORD channels = 2);
  // Pauses downstream first, as a graph does; returns the encoder's answer.
  HRESULT Start();
  HRESULT Stop();
  // Pushes `seconds` of tone in buffers of `bufferFrames` from stream time `from`.
  void PushTone(const std::vector<double>& frequencies, double amplitude, double from, double seconds,
                std::size_t bufferFrames = 1536);
  // Settings, connection, start, tone from 0 for `seconds`, stop; the decoded file.
  DecodedSound Encode(std::map<std::string, std::string> settings, const std::vector<double>& frequencies,
                      double amplitude, double seconds);

  media_test::TempDir folder;
  std::optional<media_test::ScopedEnv> iniVariable;
  std::filesystem::path iniPath;
  std::filesystem::path soundPath;
  DWORD rate_ = 48'000;
  WORD channels_ = 2;
  ComPtr<ToneSource> source;
  ComPtr<tarn::aud::AudioEncoderFilter> encoder;
  ComPtr<PcmSink> sink;
};

}  // namespace aud_test
