// tmvtool encode: converts any video FFmpeg reads into a movie file through
// the real encoder filter, in a graph of file source -> encoder -> null renderer.
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/private_settings.h"
#include "base/profile_file.h"
#include "base/settings_location.h"
#include "media/com/ComPtr.h"
#include "media/dshow/EventCodes.h"
#include "media/graph/GraphInterfaces.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/HResultText.h"
#include "media/registry/TextConversion.h"
#include "platform/platform_ids.h"
#include "platform/platform_interfaces.h"
#include "tools/tmvtool/graph_messages.h"
#include "tools/tmvtool/interrupt.h"
#include "tools/tmvtool/movie_walk.h"
#include "tools/tmvtool/progress_line.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {
namespace {

constexpr std::string_view kUsage =
    "usage: tmvtool encode INPUT -o OUT.tmv [--ini FILE]\n"
    "                      [--format F --pixel-format P --video-size WxH --framerate R]\n"
    "\n"
    "Converts the video of INPUT (any file FFmpeg reads) into a movie file through the\n"
    "video encoder filter, with the picture settings of the settings file's [SaveMovie]\n"
    "section. The run works on its own copy of the settings file, which keeps its values.\n"
    "  -o, --out OUT.tmv  the movie file to write (its folder is made when missing)\n"
    "  --ini FILE         the settings file to use (sets TARNMEDIA_INI)\n"
    "  --format F         FFmpeg input format, e.g. rawvideo\n"
    "  --pixel-format P   pixel format of raw input, e.g. bgr24 or yuyv422\n"
    "  --video-size WxH   picture size of raw input, e.g. 720x480\n"
    "  --framerate R      frame rate of raw input, e.g. 25 or 30000/1001\n"
    "Shows the percent done and the time left on a terminal, and prints the frames and bytes\n"
    "written and the speed against real time. Ctrl-C stops and keeps the frames converted.\n";

constexpr const wchar_t* kEncoderName = L"Tarn Video Encoder for GAME";
constexpr const char* kSection = "SaveMovie";
// Inputs at least this long show a progress line on a terminal.
constexpr REFERENCE_TIME kProgressFromLength = 5 * UNITS;

struct EncodeOptions {
  std::string input;
  std::string output;
  std::string ini;
  std::vector<std::pair<std::string, std::string>> demuxer;  // FFmpeg option name, value
};

std::string ParseOptions(std::span<const std::string_view> args, EncodeOptions& options) {
  struct Flag {
    std::string_view flag;
    const char* ffmpegName;  // null: not a demuxer option
  };
  static constexpr Flag kFlags[] = {{"-o", nullptr},
                                    {"--out", nullptr},
                                    {"--output", nullptr},
                                    {"--ini", nullptr},
                                    {"--format", "format"},
                                    {"--pixel-format", "pixel_format"},
                                    {"--video-size", "video_size"},
                                    {"--framerate", "framerate"}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const Flag* flag = nullptr;
    for (const Flag& candidate : kFlags)
      if (candidate.flag == arg) flag = &candidate;
    if (flag == nullptr) {
      if (!arg.empty() && arg[0] == '-' && arg.size() > 1) return "unknown option " + std::string(arg);
      if (!options.input.empty()) return "only one input file";
      options.input = arg;
      continue;
    }
    if (i + 1 == args.size() || args[i + 1].empty()) return std::string(arg) + " needs a value";
    const std::string value(args[++i]);
    if (flag->ffmpegName != nullptr)
      options.demuxer.emplace_back(flag->ffmpegName, value);
    else if (arg == "--ini")
      options.ini = value;
    else
      options.output = value;
  }
  if (options.input.empty()) return "no input file";
  if (options.output.empty()) return "no output file (-o OUT.tmv)";
  const auto given = [&](std::string_view name) {
    return std::any_of(options.demuxer.begin(), options.demuxer.end(),
                       [&](const auto& option) { return option.first == name; });
  };
  const bool raw = std::any_of(options.demuxer.begin(), options.demuxer.end(), [](const auto& option) {
    return option.first == "format" && option.second == "rawvideo";
  });
  if (raw && (!given("pixel_format") || !given("video_size")))
    return "raw video has no header to say its layout: give --pixel-format and --video-size (and --framerate)";
  return {};
}

// Values the encoder would misread: it takes the first one or two characters and silently
// keeps its preset for anything else, so "abc" or "150" would not do what the user meant.
// `shown` is the file the user knows: the run reads a copy of it.
std::string CheckPictureSettings(const settings::ProfileFile& profile, const std::filesystem::path& shown) {
  struct Key {
    const char* name;
    std::size_t maxDigits;
    char lowest;
    char highest;
  };
  static constexpr Key kKeys[] = {{"Contrast", 2, '0', '9'}, {"Brightness", 2, '0', '9'},  {"Enhance", 2, '0', '9'},
                                  {"S", 1, '1', '8'},        {"Mode", 1, '0', '9'},        {"ImageH", 2, '0', '9'},
                                  {"ImageV", 2, '0', '9'},   {"ChangeScale", 1, '0', '9'}, {"FullOut", 1, '0', '9'}};
  for (const Key& key : kKeys) {
    const std::string value = profile.Read(kSection, key.name, "", 256);
    if (value.empty()) continue;  // the encoder keeps its preset
    bool valid = value.size() <= key.maxDigits;
    for (char c : value) valid = valid && c >= '0' && c <= '9';
    if (key.maxDigits == 1) valid = valid && value[0] >= key.lowest && value[0] <= key.highest;
    if (!valid) {
      return "settings file " + shown.string() + ": [" + kSection + "] " + key.name + "=" + value +
             " is not a value the encoder reads (" + std::to_string(key.maxDigits) + " digit" +
             (key.maxDigits > 1 ? "s" : "") +
             (key.maxDigits == 1 ? std::string(", ") + key.lowest + " to " + key.highest : "") + ")";
    }
  }
  return {};
}

// The first filter of the filter category with this friendly name, made by its library.
HRESULT CreateFilterByName(const wchar_t* friendlyName, ComPtr<IBaseFilter>& filter) {
  ComPtr<ICreateDevEnum> devices;
  HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(devices.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  hr = devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0);
  if (hr != S_OK) return VFW_E_NOT_FOUND;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(bag.ReleaseAndGetAddressOf()))))
      continue;
    VARIANT name;
    VariantInit(&name);
    const bool match = SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR &&
                       std::wstring_view(name.bstrVal) == friendlyName;
    VariantClear(&name);
    if (match)
      return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                   reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
  }
  return VFW_E_NOT_FOUND;
}

HRESULT CreateByClass(REFCLSID clsid, ComPtr<IBaseFilter>& filter) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
}

ComPtr<IPin> FindPin(IBaseFilter* filter, const wchar_t* id) {
  ComPtr<IPin> pin;
  filter->FindPin(id, pin.ReleaseAndGetAddressOf());
  return pin;
}

bool PinConnected(IPin* pin) {
  ComPtr<IPin> peer;
  return pin != nullptr && SUCCEEDED(pin->ConnectedTo(peer.ReleaseAndGetAddressOf())) && peer;
}

std::string Describe(HRESULT hr) { return media::DescribeHResult(hr); }

struct GraphRun {
  bool completed = false;
  HRESULT error = S_OK;
  double seconds = 0;
};

// Runs until completion, an abort or Ctrl-C, showing progress from the encoder's frame-driven
// clock when the input's length is known.
GraphRun RunToCompletion(IGraphBuilder* graph, IBaseFilter* encoder, REFERENCE_TIME length) {
  ProgressLine progress;
  GraphRun run;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  QueryInterfaceAs(graph, control.ReleaseAndGetAddressOf());
  QueryInterfaceAs(graph, events.ReleaseAndGetAddressOf());
  ComPtr<IReferenceClock> clock;
  QueryInterfaceAs(encoder, clock.ReleaseAndGetAddressOf());

  const auto started = std::chrono::steady_clock::now();
  REFERENCE_TIME clockStart = 0;
  if (clock) clock->GetTime(&clockStart);
  const HRESULT hr = control->Run();
  if (FAILED(hr)) {
    run.error = hr;
    control->Stop();
    return run;
  }
  for (;;) {
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    if (events->GetEvent(&code, &param1, &param2, 250) == S_OK) {
      events->FreeEventParams(code, param1, param2);
      if (code == EC_COMPLETE) {
        run.completed = true;
        break;
      }
      if (code == EC_ERRORABORT || code == EC_STREAM_ERROR_STOPPED || code == EC_USERABORT) {
        run.error = code == EC_USERABORT ? E_ABORT : static_cast<HRESULT>(param1);
        break;
      }
      continue;
    }
    if (InterruptWatch::Interrupted()) {
      run.error = E_ABORT;
      break;
    }
    REFERENCE_TIME now = 0;
    if (length >= kProgressFromLength && clock && SUCCEEDED(clock->GetTime(&now)))
      progress.Show("encoding", static_cast<double>(now - clockStart) / UNITS, static_cast<double>(length) / UNITS,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  }
  control->Stop();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  progress.Clear();
  return run;
}

// Why the output's folder cannot take the file, or ""; a missing folder is made.
std::string FolderProblem(const std::filesystem::path& output) {
  std::filesystem::path folder = output.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  if (!std::filesystem::exists(folder, error) && !std::filesystem::create_directories(folder, error) && error)
    return "the folder " + folder.string() + " cannot be made: " + error.message();
  if (!std::filesystem::is_directory(folder, error)) return "the folder " + folder.string() + " does not exist";
  if (::access(folder.c_str(), W_OK) != 0) return "the folder " + folder.string() + " is not writable";
  return {};
}

struct Graph {
  ComPtr<IGraphBuilder> builder;
  ComPtr<IBaseFilter> source;
  ComPtr<IBaseFilter> encoder;
  ComPtr<IBaseFilter> renderer;
};

// Builds file source -> encoder -> null renderer. Empty text on success, else the message.
std::string BuildGraph(const EncodeOptions& options, Graph& graph, REFERENCE_TIME* length) {
  media::RegisterFilterGraphClasses();
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.builder.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return "cannot make a filter graph: " + Reason(hr);
  if (FAILED(hr = CreateByClass(platform::kFileSourceClsid, graph.source)))
    return NotRegistered("the file source filter") + CodeNote(Describe(hr));
  if (FAILED(hr = CreateFilterByName(kEncoderName, graph.encoder)))
    return NotRegistered("the filter \"Tarn Video Encoder for GAME\"") + CodeNote(Describe(hr));
  if (FAILED(hr = CreateByClass(platform::kNullRendererClsid, graph.renderer)))
    return NotRegistered("the null renderer") + CodeNote(Describe(hr));

  ComPtr<ITarnFileSourceOptions> sourceOptions;
  ComPtr<IFileSourceFilter> fileSource;
  QueryInterfaceAs(graph.source.Get(), sourceOptions.ReleaseAndGetAddressOf());
  QueryInterfaceAs(graph.source.Get(), fileSource.ReleaseAndGetAddressOf());
  if (!sourceOptions || !fileSource) return "the file source filter lacks its interfaces";
  for (const auto& [name, value] : options.demuxer) sourceOptions->SetOption(name.c_str(), value.c_str());
  hr = fileSource->Load(media::Utf8ToWide(options.input).c_str(), nullptr);
  if (FAILED(hr)) {
    char text[512];
    sourceOptions->GetLastErrorText(text, sizeof(text));
    return "cannot read " + options.input + ": " + (text[0] != '\0' ? std::string(text) : Reason(hr)) +
           (text[0] != '\0' ? CodeNote(Describe(hr)) : std::string());
  }
  LONGLONG frames = 0;
  sourceOptions->GetStreamLength(&frames, length);

  graph.builder->AddFilter(graph.source.Get(), L"File Source");
  graph.builder->AddFilter(graph.encoder.Get(), kEncoderName);
  graph.builder->AddFilter(graph.renderer.Get(), L"Null Renderer");
  ComPtr<IPin> output = FindPin(graph.source.Get(), L"Output");
  hr = graph.builder->Render(output.Get());
  ComPtr<IPin> encoderInput = FindPin(graph.encoder.Get(), L"In");
  if (FAILED(hr) || !PinConnected(encoderInput.Get()))
    return "the encoder does not take the video of " + options.input + ": " +
           Reason(FAILED(hr) ? hr : VFW_E_CANNOT_CONNECT);
  return {};
}

int RunEncode(std::span<const std::string_view> args) {
  EncodeOptions options;
  if (std::string problem = ParseOptions(args, options); !problem.empty()) {
    PrintError(problem + " (see tmvtool encode --help)");
    return kExitUsage;
  }
  if (!options.ini.empty()) ::setenv("TARNMEDIA_INI", options.ini.c_str(), 1);
  // FFmpeg's notes (estimated durations and the like) would break the progress line.
  av_log_set_level(AV_LOG_ERROR);

  const std::filesystem::path output = std::filesystem::absolute(options.output);
  if (std::string problem = FolderProblem(output); !problem.empty()) {
    PrintError("cannot write " + output.string() + ": " + problem);
    return kExitFailure;
  }
  // The output's name goes into a copy of the settings file: two encodes at once would otherwise
  // write into each other's files.
  const settings::PrivateSettings privateSettings;
  if (privateSettings.error()) {
    PrintError("cannot make a copy of the settings file " + privateSettings.userFile().string() + ": " +
               privateSettings.error().message());
    return kExitFailure;
  }
  const settings::ProfileFile profile(privateSettings.copy());
  if (std::string problem = CheckPictureSettings(profile, privateSettings.userFile()); !problem.empty()) {
    PrintError(problem);
    return kExitFailure;
  }
  if (const std::error_code error = profile.Write(kSection, "FileName", output.string())) {
    PrintError("cannot write the settings file " + profile.path().string() + ": " + error.message());
    return kExitFailure;
  }

  const InterruptWatch interrupt;
  CoInitialize(nullptr);
  int exitCode = kExitOk;
  {
    Graph graph;
    REFERENCE_TIME length = 0;
    if (std::string problem = BuildGraph(options, graph, &length); !problem.empty()) {
      PrintError(problem);
      exitCode = kExitFailure;
    } else {
      const GraphRun run = RunToCompletion(graph.builder.Get(), graph.encoder.Get(), length);
      std::error_code error;
      const bool fileWritten = std::filesystem::is_regular_file(output, error);
      const WalkResult written =
          !fileWritten
              ? WalkResult{}
              : WalkMovie(
                    output.string(), [](const WalkResult&) {},
                    [](const movie::RecordInfo&, movie::PlayOutcome, const movie::MoviePlayer&) { return true; });
      if (run.error == E_ABORT && InterruptWatch::Interrupted()) {
        PrintError("interrupted: " + output.string() + " keeps the " + Count(written.records, "frame") + " converted");
        exitCode = kExitInterrupted;
      } else if (!run.completed) {
        PrintError("encoding " + options.input + " into " + output.string() + " failed: " + Reason(run.error) +
                   (written.opened ? "; " + Count(written.records, "frame") + " written before" : ""));
        exitCode = kExitFailure;
      } else if (!written.opened || written.Damaged()) {
        exitCode = ReportFaults(output.string(), written);
        if (exitCode == kExitOk) exitCode = kExitFailure;
      } else {
        // Real time is the input's length; without one, the movie's ten records a second.
        const double played =
            length > 0 ? static_cast<double>(length) / UNITS : static_cast<double>(written.records) / 10.0;
        const double speed = run.seconds > 0 ? played / run.seconds : 0.0;
        if (!Say().quiet)
          std::printf("%s: %s, %s, %.2f s, %.1fx real time\n", output.string().c_str(),
                      Count(written.records, "frame").c_str(), Count(written.fileSize, "byte").c_str(), run.seconds,
                      speed);
      }
    }
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  return exitCode;
}

}  // namespace

const Subcommand& EncodeSubcommand() {
  static const Subcommand command{"encode", "convert a video file into a movie file through the encoder filter", kUsage,
                                  &RunEncode};
  return command;
}

}  // namespace tarn::tmvtool
