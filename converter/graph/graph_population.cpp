#include "converter/graph/graph_population.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/TextConversion.h"

namespace tarn::conv {
namespace {

// The filters the graph is made of, in the order a friendly name is matched against them. The
// preview graph takes the first two rows, the conversion graph all five.
struct FilterRow {
  std::string_view friendlyName;  // as registered, UTF-8
  const wchar_t* graphName;       // the name it is given in the graph
};
enum Row : std::size_t { kNavigator, kDecoder, kVideoEncoder, kAudioEncoder, kAcmWrapper, kRowCount };
constexpr std::array<FilterRow, kRowCount> kFilterTable{{
    {"DVD Navigator", L"DVD Navigator"},
    {"GPL MPEG-1/2 Decoder", L"GPL MPEG-1/2 Decoder"},
    {"Tarn Video Encoder for GAME", L"Tarn Video Encoder for GAME"},
    {"Tarn Audio Encoder for DVD", L"Tarn Audio Encoder for DVD"},
    {"ACM Wrapper", L"ACM Wrapper"},
}};
constexpr std::size_t kPreviewRows = 2;

constexpr std::string_view kWarningCaption = "警告";
constexpr std::string_view kNoDecoder = "没有发现GPL MPEG-1/2 Decoder，可能无法显示字幕";
constexpr std::string_view kNoVideoEncoder = "没有发现'Tarn Video Encoder for GAME'。不能转换视频。请重新安装软件再试。";
constexpr std::string_view kNoAudioEncoder = "没有发现'Tarn Audio Encoder for DVD'。不能转换音频。请重新安装软件再试。";

// How many times the navigator's outputs are rendered: video, audio and subpicture.
constexpr int kNavigatorOutputs = 3;

struct Population {
  std::array<bool, kRowCount> found{};
  ComPtr<IBaseFilter> navigator;  // the first navigator added
};

std::optional<std::string> FriendlyName(IMoniker* moniker) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid())))
    return std::nullopt;
  VARIANT name;
  VariantInit(&name);
  std::optional<std::string> text;
  if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR && name.bstrVal != nullptr)
    text = media::WideToUtf8(name.bstrVal);
  VariantClear(&name);
  return text;
}

// The moniker's filter goes into the graph when its name is one of the first `rows` rows; one
// that cannot be made is passed over without a word.
void AddIfWanted(IGraphBuilder* graph, IMoniker* moniker, std::size_t rows, Population& population) {
  const std::optional<std::string> name = FriendlyName(moniker);
  if (!name) return;
  const auto wanted = std::span(kFilterTable).first(rows);
  const auto row = std::find_if(wanted.begin(), wanted.end(), [&](const FilterRow& r) { return r.friendlyName == *name; });
  if (row == wanted.end()) return;
  ComPtr<IBaseFilter> filter;
  if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()))) return;
  if (FAILED(graph->AddFilter(filter.Get(), row->graphName))) return;
  const auto index = static_cast<std::size_t>(row - wanted.begin());
  population.found[index] = true;
  if (index == kNavigator && !population.navigator) population.navigator = filter;
}

// Walks the filter category. Returns the device enumerator's failure; an empty category (or any
// answer but S_OK) adds nothing and warns of nothing.
HRESULT AddFromCategory(IGraphBuilder* graph, std::size_t rows, const MessageBoxFunction& showMessage,
                        Population& population) {
  ComPtr<ICreateDevEnum> devices;
  const HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                      devices.ReleaseAndGetAddressOfVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
    return S_OK;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    AddIfWanted(graph, moniker.Get(), rows, population);

  if (!population.found[kDecoder]) showMessage(kNoDecoder, kWarningCaption);
  if (rows > kVideoEncoder && !population.found[kVideoEncoder]) showMessage(kNoVideoEncoder, kWarningCaption);
  if (rows > kAudioEncoder && !population.found[kAudioEncoder]) showMessage(kNoAudioEncoder, kWarningCaption);
  return S_OK;
}

// Renders the navigator's outputs, one unconnected pin at a time. A pin the graph builder could
// not render (the video when no decoder takes it) stays unconnected; it is not taken again, so
// that the pins after it, the sound among them, are still rendered.
void RenderNavigatorOutputs(IGraphBuilder* graph, IBaseFilter* navigator) {
  if (navigator == nullptr) return;
  std::vector<ComPtr<IPin>> tried;
  std::vector<IPin*> skipped;
  for (int i = 0; i < kNavigatorOutputs; ++i) {
    ComPtr<IPin> pin;
    if (FAILED(FindUnconnectedPin(navigator, PINDIR_OUTPUT, pin.ReleaseAndGetAddressOf(), skipped))) continue;
    graph->Render(pin.Get());
    skipped.push_back(pin.Get());
    tried.push_back(std::move(pin));
  }
}

HRESULT Populate(IGraphBuilder* graph, std::size_t rows, const MessageBoxFunction& showMessage) {
  if (graph == nullptr) return E_POINTER;
  Population population;
  const HRESULT hr = AddFromCategory(graph, rows, showMessage, population);
  if (FAILED(hr)) return hr;
  RenderNavigatorOutputs(graph, population.navigator.Get());
  return S_OK;
}

// The filter itself, else the first of its pins, that answers `iid`.
HRESULT FindInterfaceOnFilter(IBaseFilter* filter, REFIID iid, void** found) {
  if (SUCCEEDED(filter->QueryInterface(iid, found))) return S_OK;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (SUCCEEDED(pin->QueryInterface(iid, found))) return S_OK;
  return E_FAIL;
}

}  // namespace

HRESULT AddPreviewFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage) {
  return Populate(graph, kPreviewRows, showMessage);
}

HRESULT AddConversionFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage) {
  return Populate(graph, kRowCount, showMessage);
}

HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin, const std::vector<IPin*>& skipped) {
  if (filter == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IPin> candidate;
  while (pins->Next(1, candidate.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION pinDirection{};
    if (FAILED(candidate->QueryDirection(&pinDirection)) || pinDirection != direction) continue;
    if (std::find(skipped.begin(), skipped.end(), candidate.Get()) != skipped.end()) continue;
    ComPtr<IPin> peer;
    if (FAILED(candidate->ConnectedTo(peer.ReleaseAndGetAddressOf()))) {
      *pin = candidate.Detach();
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT FindInterfaceInGraph(IFilterGraph* graph, REFIID iid, void** found) {
  if (graph == nullptr || found == nullptr) return E_POINTER;
  *found = nullptr;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return E_FAIL;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    if (SUCCEEDED(FindInterfaceOnFilter(filter.Get(), iid, found))) return S_OK;
  return E_FAIL;
}

}  // namespace tarn::conv
