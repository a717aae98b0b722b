// A video encoder filter wired by hand between a picture source and a preview sink, with its
// settings file and movie file in a private temporary folder, and the handheld's view of the
// movie file it writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "encoder/video_encoder_filter.h"
#include "tests/support/media_test_support.h"

namespace venc_test {

using Bytes = std::vector<std::uint8_t>;

// Synthetic frames: a gradient with a bright square that moves with `frame`. RGB24 rows are
// bottom-up BGR, YUY2 rows are top-down Y0 U Y1 V.
Bytes Rgb24Frame(int width, int height, int frame);
Bytes Yuy2Frame(int width, int height, int frame);

struct SampleFlags {
  bool sync = true;
  bool preroll = false;
  bool discontinuity = false;
  std::optional<std::pair<LONGLONG, LONGLONG>> mediaTimes;
};

// ---- source: delivers whole pictures ----

class PictureSource;

class PictureSourcePin : public CBaseOutputPin {
 public:
  PictureSourcePin(PictureSource* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  CMediaType type;
  LONG bufferSize = 0;
};

class PictureSource : public CBaseFilter {
 public:
  PictureSource();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

  // Delivers one picture with optional start and stop times; returns the downstream answer.
  HRESULT Push(const Bytes& picture, std::optional<REFERENCE_TIME> start = std::nullopt,
               std::optional<REFERENCE_TIME> stop = std::nullopt, const SampleFlags& flags = {});

  CCritSec lock;
  PictureSourcePin pin;
};

// ---- sink: keeps every preview ----

struct Preview {
  Bytes pixels;
  HRESULT timeResult = S_OK;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  LONG length = 0;
  bool sync = false;
  bool preroll = false;
  bool discontinuity = false;
  bool hasMediaTimes = false;
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  std::optional<CMediaType> type;  // the media type the sample carried
};

class PreviewSink;

class PreviewSinkPin : public CBaseInputPin {
 public:
  PreviewSinkPin(PreviewSink* filter, HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  HRESULT Receive(IMediaSample* sample) override;

  std::vector<Preview> received;
};

class PreviewSink : public CBaseFilter {
 public:
  PreviewSink();
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

  CCritSec lock;
  PreviewSinkPin pin;
};

// ---- the movie file as the handheld plays it ----

struct PlayedRecord {
  Bytes record;  // length word and unmasked body, as the encoder built it
  Bytes screen;  // what the handheld shows afterwards, as a bottom-up 24-bit preview
  bool hasAppendix = false;
  bool appendixValid = false;
};

struct PlayedMovie {
  std::uint64_t fileSize = 0;
  std::uint32_t headerLength = 0;
  bool finished = false;  // the header is in place and matches the file size
  bool endsCleanly = false;
  std::vector<PlayedRecord> records;
};

PlayedMovie PlayMovie(const std::filesystem::path& file);

// ---- the chain ----

class EncoderChain : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the section "SaveMovie" of the test's settings file; FileName is added when absent.
  void WriteSettings(std::map<std::string, std::string> values);
  void UseInput(const CMediaType& type, LONG bufferSize);
  void UseRgb24Input(int width, int height);
  void ConnectAll();
  // Pauses downstream first, as a graph does; returns the encoder's answer.
  HRESULT StartAll();
  HRESULT StopAll();
  // Starts, pushes `count` frames 100 ms apart from 0.1 s and stops.
  void EncodeFrames(int count, int width, int height, bool still = false);

  media_test::TempDir folder;
  std::optional<media_test::ScopedEnv> iniVariable;
  std::filesystem::path iniPath;
  std::filesystem::path moviePath;
  ComPtr<PictureSource> source;
  ComPtr<tarn::venc::VideoEncoderFilter> encoder;
  ComPtr<PreviewSink> sink;
};

}  // namespace venc_test
