#include "converter/graph/graph_population.h"

#include <array>
#include <span>

#include "media/graph/GraphPopulation.h"

namespace tarn::conv {
namespace {

// The filters the graph is made of, by their registered friendly names. The preview graph takes
// the first two, the conversion graph all five.
enum Row : std::size_t { kNavigator, kDecoder, kVideoEncoder, kAudioEncoder, kAcmWrapper, kRowCount };
constexpr std::array<std::string_view, kRowCount> kFilterTable{"DVD Navigator", "GPL MPEG-1/2 Decoder",
                                                               "Tarn Video Encoder for GAME",
                                                               "Tarn Audio Encoder for DVD", "ACM Wrapper"};
constexpr std::size_t kPreviewRows = 2;

constexpr std::string_view kWarningCaption = "警告";
constexpr std::string_view kNoDecoder = "没有发现GPL MPEG-1/2 Decoder，可能无法显示字幕";
constexpr std::string_view kNoVideoEncoder =
    "没有发现'Tarn Video Encoder for GAME'。不能转换视频。请重新安装软件再试。";
constexpr std::string_view kNoAudioEncoder = "没有发现'Tarn Audio Encoder for DVD'。不能转换音频。请重新安装软件再试。";

// How many times the navigator's outputs are rendered: video, audio and subpicture.
constexpr int kNavigatorOutputs = 3;

HRESULT Populate(IGraphBuilder* graph, std::size_t rows, const MessageBoxFunction& showMessage) {
  if (graph == nullptr) return E_POINTER;
  media::graph::FiltersAdded added;
  const HRESULT hr = media::graph::AddFiltersByFriendlyName(graph, std::span(kFilterTable).first(rows), &added);
  if (FAILED(hr)) return hr;
  // An empty category warns of nothing.
  if (hr != S_OK) return S_OK;
  if (!added.found[kDecoder]) showMessage(kNoDecoder, kWarningCaption);
  if (rows > kVideoEncoder && !added.found[kVideoEncoder]) showMessage(kNoVideoEncoder, kWarningCaption);
  if (rows > kAudioEncoder && !added.found[kAudioEncoder]) showMessage(kNoAudioEncoder, kWarningCaption);
  media::graph::RenderUnconnectedOutputs(graph, added.first[kNavigator].Get(), kNavigatorOutputs);
  return S_OK;
}

}  // namespace

HRESULT AddPreviewFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage) {
  return Populate(graph, kPreviewRows, showMessage);
}

HRESULT AddConversionFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage) {
  return Populate(graph, kRowCount, showMessage);
}

}  // namespace tarn::conv
