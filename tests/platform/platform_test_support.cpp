#include "platform_test_support.h"

#include "media/dshow/EventCodes.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace platform_test {

CaptureRenderer::CaptureRenderer() : RendererFilter(L"Capture renderer", nullptr, GUID_NULL) {}

HRESULT CaptureRenderer::CheckMediaType(const CMediaType* mediaType) {
  if (acceptedSubtype != GUID_NULL && mediaType->subtype != acceptedSubtype) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

void CaptureRenderer::OnMediaType(const CMediaType& mediaType) {
  std::lock_guard lock(mutex_);
  type_ = mediaType;
}

HRESULT CaptureRenderer::RenderSample(IMediaSample* sample) {
  CapturedSample captured;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  captured.bytes.assign(data, data + sample->GetActualDataLength());
  captured.timed = SUCCEEDED(sample->GetTime(&captured.start, &captured.stop));
  captured.sync = sample->IsSyncPoint() == S_OK;
  captured.discontinuity = sample->IsDiscontinuity() == S_OK;
  std::lock_guard lock(mutex_);
  samples_.push_back(std::move(captured));
  return S_OK;
}

std::vector<CapturedSample> CaptureRenderer::Samples() {
  std::lock_guard lock(mutex_);
  return samples_;
}

CMediaType CaptureRenderer::Type() {
  std::lock_guard lock(mutex_);
  return type_;
}

Bytes CaptureRenderer::AllBytes() {
  std::lock_guard lock(mutex_);
  Bytes all;
  for (const CapturedSample& sample : samples_) all.insert(all.end(), sample.bytes.begin(), sample.bytes.end());
  return all;
}

HRESULT Connect(IBaseFilter* upstream, const wchar_t* outName, IBaseFilter* downstream, const wchar_t* inName) {
  ComPtr<IPin> out;
  ComPtr<IPin> in;
  HRESULT hr = upstream->FindPin(outName, out.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  hr = downstream->FindPin(inName, in.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  return out->Connect(in.Get(), nullptr);
}

HRESULT StartAll(media_test::EventRecorder& graph, std::initializer_list<IBaseFilter*> upstreamFirst) {
  for (IBaseFilter* filter : upstreamFirst) filter->JoinFilterGraph(&graph, L"filter");
  std::vector<IBaseFilter*> filters(upstreamFirst);
  for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
    const HRESULT hr = (*it)->Pause();
    if (FAILED(hr)) return hr;
  }
  for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
    const HRESULT hr = (*it)->Run(0);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void DisconnectAll(std::initializer_list<IBaseFilter*> filters) {
  for (IBaseFilter* filter : filters) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) continue;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      ComPtr<IPin> peer;
      if (SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer) peer->Disconnect();
      pin->Disconnect();
    }
  }
}

void StopAll(std::initializer_list<IBaseFilter*> upstreamFirst) {
  std::vector<IBaseFilter*> filters(upstreamFirst);
  for (auto it = filters.rbegin(); it != filters.rend(); ++it) (*it)->Stop();
}

bool WaitForCompletion(media_test::EventRecorder& graph, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    for (const auto& event : graph.Events())
      if (event.code == EC_COMPLETE || event.code == EC_ERRORABORT) return event.code == EC_COMPLETE;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool Ffmpeg(const std::filesystem::path& folder, const std::string& args) {
  const std::string command = "cd '" + folder.string() + "' && ffmpeg -nostdin -v error -y " + args;
  return std::system(command.c_str()) == 0;
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace platform_test
