// Helpers for the platform filter tests: a renderer that keeps what it
// receives, filters wired by hand and run like a graph would, and fixtures
// made with the ffmpeg command in a private temporary folder.
#pragma once

#include "media/com/ComPtr.h"
#include "tests/support/media_test_support.h"
#include "platform/renderer_base.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace platform_test {

using Bytes = std::vector<std::uint8_t>;

struct CapturedSample {
  Bytes bytes;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool timed = false;
  bool sync = false;
  bool discontinuity = false;
};

// Takes every type and keeps each sample's bytes and times.
class CaptureRenderer final : public tarn::platform::RendererFilter {
 public:
  CaptureRenderer();
  HRESULT CheckMediaType(const CMediaType* mediaType) override;
  void OnMediaType(const CMediaType& mediaType) override;
  HRESULT RenderSample(IMediaSample* sample) override;

  std::vector<CapturedSample> Samples();
  CMediaType Type();
  Bytes AllBytes();

  GUID acceptedSubtype = GUID_NULL;  // GUID_NULL: any

 private:
  std::mutex mutex_;
  std::vector<CapturedSample> samples_;
  CMediaType type_;
};

// Connects out to in directly.
HRESULT Connect(IBaseFilter* upstream, const wchar_t* outName, IBaseFilter* downstream, const wchar_t* inName);
// Joins the filters to the recorder, pauses them downstream first and runs them.
HRESULT StartAll(media_test::EventRecorder& graph, std::initializer_list<IBaseFilter*> upstreamFirst);
// Stops downstream first.
void StopAll(std::initializer_list<IBaseFilter*> upstreamFirst);
// Breaks every connection of the filters (pins hold their peers' filters).
void DisconnectAll(std::initializer_list<IBaseFilter*> filters);
// Waits (bounded) for a completion event from the graph.
bool WaitForCompletion(media_test::EventRecorder& graph, int seconds = 60);

// Runs "ffmpeg -nostdin -v error -y ARGS" in `folder`; true on success.
bool Ffmpeg(const std::filesystem::path& folder, const std::string& args);
Bytes ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace platform_test
