#include "converter/graph/graph_population.h"

#include <array>
#include <span>

#include "converter/graph/graph_messages.h"
#include "media/graph/GraphPopulation.h"
#include "media/registry/TextConversion.h"

namespace tarn::conv {
namespace {

// The filters the graph is made of, by their registered friendly names, in the order they go into
// the graph. The preview graph takes the first two, the conversion graph all five. The graph
// builder tries the graph's filters in that order, so the decoded sound meets the PCM wrapper
// before the audio encoder: the wrapper brings it to the format the encoder asks for.
enum Row : std::size_t { kNavigator, kDecoder, kVideoEncoder, kAcmWrapper, kAudioEncoder, kRowCount };
constexpr std::array<std::string_view, kRowCount> kFilterTable{"DVD Navigator", "GPL MPEG-1/2 Decoder",
                                                               "Tarn Video Encoder for GAME", "ACM Wrapper",
                                                               "Tarn Audio Encoder for DVD"};
constexpr std::size_t kPreviewRows = 2;

// The preview's sound plays through the desktop's sound server. The graph builder never brings
// this renderer in by itself, so a conversion's sound ends at the silent one; without it the
// preview is silent and nothing is said.
constexpr std::string_view kPreviewSound[] = {"Desktop Audio Renderer"};

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
  if (rows == kPreviewRows) {
    media::graph::FiltersAdded sound;
    media::graph::AddFiltersByFriendlyName(graph, kPreviewSound, &sound);
  }
  media::graph::RenderUnconnectedOutputs(graph, added.first[kNavigator].Get(), kNavigatorOutputs);
  return S_OK;
}

// A video file's graph: the file source, and for conversion the two encoders and the PCM wrapper,
// the wrapper again before the audio encoder.
enum FileRow : std::size_t { kFileSource, kFileVideoEncoder, kFileAcmWrapper, kFileAudioEncoder, kFileRowCount };
constexpr std::array<std::string_view, kFileRowCount> kFileFilterTable{
    "Tarn File Source", "Tarn Video Encoder for GAME", "ACM Wrapper", "Tarn Audio Encoder for DVD"};
// The file source's outputs: pictures and sound.
constexpr int kFileSourceOutputs = 2;

// The file loaded into the source, its sound taken from `audioStream`; "" or why it failed.
std::string LoadFile(IBaseFilter* source, const std::string& path, unsigned audioStream) {
  ComPtr<IFileSourceFilter> file;
  ComPtr<ITarnFileSourceOptions> options;
  ComPtr<ITarnFilePlayback> playback;
  if (FAILED(QueryInterfaceAs(source, file.ReleaseAndGetAddressOf())) ||
      FAILED(QueryInterfaceAs(source, options.ReleaseAndGetAddressOf())) ||
      FAILED(QueryInterfaceAs(source, playback.ReleaseAndGetAddressOf())))
    return "the file source filter lacks its interfaces";
  if (FAILED(file->Load(media::Utf8ToWide(path).c_str(), nullptr))) {
    char text[512] = "";
    options->GetLastErrorText(text, sizeof text);
    return text[0] != '\0' ? std::string(text) : path + ": the file source cannot read it";
  }
  // Unconnected, the sound pin takes any stream; one it cannot decode leaves the file's own choice.
  playback->SelectAudioStream(audioStream);
  return {};
}

bool HasUnconnectedInput(IBaseFilter* filter) {
  ComPtr<IPin> input;
  return SUCCEEDED(FindUnconnectedPin(filter, PINDIR_INPUT, input.ReleaseAndGetAddressOf()));
}

// A file without sound leaves the sound path unconnected; its encoder would still write an empty
// sound file, which no handheld plays.
void RemoveIdleSoundPath(IGraphBuilder* graph, const media::graph::FiltersAdded& added) {
  IBaseFilter* encoder = added.first[kFileAudioEncoder].Get();
  if (encoder == nullptr || !HasUnconnectedInput(encoder)) return;
  graph->RemoveFilter(encoder);
  if (IBaseFilter* wrapper = added.first[kFileAcmWrapper].Get()) graph->RemoveFilter(wrapper);
}

}  // namespace

HRESULT AddFileFilters(IGraphBuilder* graph, GraphVariant variant, const std::string& path, unsigned audioStream,
                       const MessageBoxFunction& showMessage, ComPtr<IBaseFilter>& source, std::string& error) {
  if (graph == nullptr) return E_POINTER;
  const std::size_t rows = variant == GraphVariant::Preview ? std::size_t{1} : std::size_t{kFileRowCount};
  media::graph::FiltersAdded added;
  const HRESULT hr = media::graph::AddFiltersByFriendlyName(graph, std::span(kFileFilterTable).first(rows), &added);
  if (FAILED(hr)) return hr;
  source = added.first[kFileSource];
  if (!source) {
    error = "the filter \"Tarn File Source\" is not registered";
    return VFW_E_NOT_FOUND;
  }
  if (rows > kFileVideoEncoder && !added.found[kFileVideoEncoder]) showMessage(kNoVideoEncoder, kWarningCaption);
  if (rows > kFileAudioEncoder && !added.found[kFileAudioEncoder]) showMessage(kNoAudioEncoder, kWarningCaption);
  error = LoadFile(source.Get(), path, audioStream);
  if (!error.empty()) return VFW_E_INVALID_FILE_FORMAT;
  media::graph::RenderUnconnectedOutputs(graph, source.Get(), kFileSourceOutputs);
  if (rows > kFileAudioEncoder) RemoveIdleSoundPath(graph, added);
  return S_OK;
}

HRESULT AddPreviewFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage) {
  return Populate(graph, kPreviewRows, showMessage);
}

HRESULT AddConversionFilters(IGraphBuilder* graph, const MessageBoxFunction& showMessage) {
  return Populate(graph, kRowCount, showMessage);
}

}  // namespace tarn::conv
