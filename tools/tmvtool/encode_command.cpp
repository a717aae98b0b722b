// tmvtool encode: converts any video FFmpeg reads into a movie file and a sound file through
// the real encoder filters, in a graph of file source -> video encoder -> null renderer and
// file source sound -> ACM Wrapper -> audio encoder -> audio renderer.
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
#include "platform/file_description.h"
#include "platform/platform_ids.h"
#include "platform/platform_interfaces.h"
#include "tools/tmvtool/graph_messages.h"
#include "tools/tmvtool/interrupt.h"
#include "tools/tmvtool/movie_walk.h"
#include "tools/tmvtool/option_numbers.h"
#include "tools/tmvtool/progress_line.h"
#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {
namespace {

constexpr const char* kUsage = TrNoop(
    "usage: tmvtool encode INPUT -o OUT.tmv [--chapters A-B] [--audio N] [--subtitle N] [--no-sound]\n"
    "                      [--ini FILE] [--format F --pixel-format P --video-size WxH --framerate R]\n"
    "\n"
    "Converts the video of INPUT (any file FFmpeg reads) into a movie file through the\n"
    "video encoder filter, with the picture settings of the settings file's [SaveMovie]\n"
    "section, and its sound into the sound file beside it (OUT.tms) through the audio\n"
    "encoder filter, with the settings of [AudioOut]. The run works on its own copy of the\n"
    "settings file, which keeps its values.\n"
    "  -o, --out OUT.tmv  the movie file to write (its folder is made when missing)\n"
    "  --chapters A-B     first and last chapter of the container, or one chapter A, as probe\n"
    "                     lists them (default: the whole file)\n"
    "  --audio N          audio stream, from 1 as probe lists them (default: FFmpeg's choice)\n"
    "  --subtitle N       subtitle stream drawn onto the pictures, from 1 as probe lists them:\n"
    "                     picture subtitles as they are, text subtitles rendered (ASS/SSA with\n"
    "                     their styles; font: TARNMEDIA_SUBTITLE_FONT) (default: none)\n"
    "  --no-sound         write the movie file only\n"
    "  --ini FILE         the settings file to use (sets TARNMEDIA_INI)\n"
    "  --format F         FFmpeg input format, e.g. rawvideo\n"
    "  --pixel-format P   pixel format of raw input, e.g. bgr24 or yuyv422\n"
    "  --video-size WxH   picture size of raw input, e.g. 720x480\n"
    "  --framerate R      frame rate of raw input, e.g. 25 or 30000/1001\n"
    "Shows the percent done and the time left on a terminal, and prints the frames and bytes\n"
    "written and the speed against real time. Ctrl-C stops and keeps the frames converted.\n");

constexpr const wchar_t* kEncoderName = L"Tarn Video Encoder for GAME";
constexpr const wchar_t* kAudioEncoderName = L"Tarn Audio Encoder for DVD";
constexpr const wchar_t* kAcmWrapperName = L"ACM Wrapper";
constexpr const char* kSection = "SaveMovie";
// Inputs at least this long show a progress line on a terminal.
constexpr REFERENCE_TIME kProgressFromLength = 5 * UNITS;

struct EncodeOptions {
  std::string input;
  std::string output;
  std::string ini;
  bool sound = true;
  int firstChapter = 0;  // 0: the whole file
  int lastChapter = 0;
  int audio = 0;                                             // 0: FFmpeg's choice
  int subtitle = 0;                                          // 0: none
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
                                    {"--framerate", "framerate"},
                                    {"--chapters", nullptr},
                                    {"--audio", nullptr},
                                    {"--subtitle", nullptr}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const Flag* flag = nullptr;
    for (const Flag& candidate : kFlags)
      if (candidate.flag == arg) flag = &candidate;
    if (arg == "--no-sound") {
      options.sound = false;
      continue;
    }
    if (flag == nullptr) {
      if (!arg.empty() && arg[0] == '-' && arg.size() > 1) return Tr("unknown option %1", arg);
      if (!options.input.empty()) return Tr("only one input file");
      options.input = arg;
      continue;
    }
    if (i + 1 == args.size() || args[i + 1].empty()) return Tr("%1 needs a value", arg);
    const std::string value(args[++i]);
    if (flag->ffmpegName != nullptr)
      options.demuxer.emplace_back(flag->ffmpegName, value);
    else if (arg == "--ini")
      options.ini = value;
    else if (arg == "--chapters") {
      if (!ParseChapterRange(value, options.firstChapter, options.lastChapter))
        return Tr("--chapters needs A-B with 1 <= A <= B");
    } else if (arg == "--audio") {
      if (!ParsePositive(value, options.audio)) return Tr("--audio needs a stream number from 1");
    } else if (arg == "--subtitle") {
      if (!ParsePositive(value, options.subtitle)) return Tr("--subtitle needs a stream number from 1");
    } else
      options.output = value;
  }
  if (options.input.empty()) return Tr("no input file");
  if (options.output.empty()) return Tr("no output file (-o OUT.tmv)");
  const auto given = [&](std::string_view name) {
    return std::any_of(options.demuxer.begin(), options.demuxer.end(),
                       [&](const auto& option) { return option.first == name; });
  };
  const bool raw = std::any_of(options.demuxer.begin(), options.demuxer.end(), [](const auto& option) {
    return option.first == "format" && option.second == "rawvideo";
  });
  if (raw && (!given("pixel_format") || !given("video_size")))
    return Tr("raw video has no header to say its layout: give --pixel-format and --video-size (and --framerate)");
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
      const std::string setting = std::string("[") + kSection + "] " + key.name + "=" + value;
      if (key.maxDigits == 1)
        return Tr("settings file %1: %2 is not a value the encoder reads (1 digit, %3 to %4)", shown.string(), setting,
                  std::string(1, key.lowest), std::string(1, key.highest));
      return Tr("settings file %1: %2 is not a value the encoder reads (%3 digits)", shown.string(), setting,
                key.maxDigits);
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
      progress.Show(Tr("encoding"), static_cast<double>(now - clockStart) / UNITS, static_cast<double>(length) / UNITS,
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
    return Tr("the folder %1 cannot be made: %2", folder.string(), error.message());
  if (!std::filesystem::is_directory(folder, error)) return Tr("the folder %1 does not exist", folder.string());
  if (::access(folder.c_str(), W_OK) != 0) return Tr("the folder %1 is not writable", folder.string());
  return {};
}

struct Graph {
  ComPtr<IGraphBuilder> builder;
  ComPtr<IBaseFilter> source;
  ComPtr<IBaseFilter> encoder;
  ComPtr<IBaseFilter> renderer;
  ComPtr<IBaseFilter> acmWrapper;
  ComPtr<IBaseFilter> soundEncoder;
  ComPtr<IBaseFilter> soundRenderer;
  bool sound = false;  // the sound path reaches the audio encoder
};

// The subtitle stream of the options, told to the file source. Empty text, or what is wrong.
std::string ChooseSubtitle(const EncodeOptions& options, IBaseFilter* source, ITarnFilePlayback* playback) {
  const HRESULT hr = playback->SelectSubtitleStream(options.subtitle - 1);
  if (hr == VFW_E_NOT_FOUND) return Tr("%1 has no subtitle stream %2", options.input, options.subtitle);
  if (SUCCEEDED(hr)) return {};
  char text[512] = "";
  ComPtr<ITarnFileSourceOptions> sourceOptions;
  if (SUCCEEDED(QueryInterfaceAs(source, sourceOptions.ReleaseAndGetAddressOf())))
    sourceOptions->GetLastErrorText(text, sizeof(text));
  return Tr("cannot draw subtitle stream %1 of %2: %3", options.subtitle, options.input,
            text[0] != '\0' ? TrLower(text) + CodeNote(Describe(hr)) : Reason(hr));
}

// The chapters, audio and subtitle streams of the options, told to the file source. Empty text, or what is wrong.
std::string ChoosePlayback(const EncodeOptions& options, IBaseFilter* source, REFERENCE_TIME* length) {
  ComPtr<ITarnFilePlayback> playback;
  if (FAILED(QueryInterfaceAs(source, playback.ReleaseAndGetAddressOf())))
    return Tr("the file source filter lacks its interfaces");
  if (options.firstChapter > 0) {
    platform::FileDescription file;
    std::string error;
    if (!platform::DescribeVideoFile(options.input, file, error)) return Tr("cannot read %1", error);
    if (static_cast<std::size_t>(options.lastChapter) > file.chapters.size())
      return TrCount(file.chapters.size(), "%2 has %1 chapter; there is no chapter %3",
                     "%2 has %1 chapters; there is no chapter %3", options.input, options.lastChapter);
    const REFERENCE_TIME start = file.chapters[static_cast<std::size_t>(options.firstChapter - 1)].start;
    const REFERENCE_TIME stop = file.chapters[static_cast<std::size_t>(options.lastChapter - 1)].end;
    if (HRESULT hr = playback->SetPlayRange(start, stop); FAILED(hr))
      return Tr("cannot play the chapters: %1", Reason(hr));
    *length = stop - start;
  }
  if (options.audio > 0 && options.sound) {
    if (FAILED(playback->SelectAudioStream(static_cast<ULONG>(options.audio - 1))))
      return Tr("%1 has no audio stream %2 FFmpeg decodes", options.input, options.audio);
  }
  return options.subtitle > 0 ? ChooseSubtitle(options, source, playback.Get()) : std::string();
}

bool HasConnectedInput(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  if (filter == nullptr || FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return false;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION direction{};
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT && PinConnected(pin.Get())) return true;
  }
  return false;
}

bool OffersAType(IPin* pin) {
  ComPtr<IEnumMediaTypes> types;
  AM_MEDIA_TYPE* type = nullptr;
  if (pin == nullptr || FAILED(pin->EnumMediaTypes(types.ReleaseAndGetAddressOf())) ||
      types->Next(1, &type, nullptr) != S_OK)
    return false;
  DeleteMediaType(type);
  return true;
}

// Adds the audio encoder (and the ACM Wrapper, which brings any PCM to what it takes) and
// renders the source's sound pin through them. Empty text when the sound path stands or the
// file has no sound (graph.sound tells which), else the message.
std::string AddSoundPath(const EncodeOptions& options, Graph& graph) {
  ComPtr<IPin> audio = FindPin(graph.source.Get(), L"Audio");
  if (!OffersAType(audio.Get())) return {};
  HRESULT hr = CreateFilterByName(kAudioEncoderName, graph.soundEncoder);
  if (FAILED(hr))
    return NotRegistered(Tr("the filter \"%1\"", "Tarn Audio Encoder for DVD")) +
           Tr(" (--no-sound writes the movie alone)") + CodeNote(Describe(hr));
  if (FAILED(hr = CreateByClass(platform::kAudioRendererClsid, graph.soundRenderer)))
    return NotRegistered(Tr("the audio renderer")) + CodeNote(Describe(hr));
  if (SUCCEEDED(CreateFilterByName(kAcmWrapperName, graph.acmWrapper)))
    graph.builder->AddFilter(graph.acmWrapper.Get(), kAcmWrapperName);
  graph.builder->AddFilter(graph.soundEncoder.Get(), kAudioEncoderName);
  graph.builder->AddFilter(graph.soundRenderer.Get(), L"Audio Renderer");
  hr = graph.builder->Render(audio.Get());
  graph.sound = SUCCEEDED(hr) && HasConnectedInput(graph.soundEncoder.Get());
  if (!graph.sound)
    return Tr("the audio encoder does not take the sound of %1: %2", options.input,
              Reason(FAILED(hr) ? hr : VFW_E_CANNOT_CONNECT)) +
           Tr(" (--no-sound writes the movie alone)");
  return {};
}

// Builds file source -> encoder -> null renderer, and the sound path unless the options say
// no sound. Empty text on success, else the message.
std::string BuildGraph(const EncodeOptions& options, Graph& graph, REFERENCE_TIME* length) {
  media::RegisterFilterGraphClasses();
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.builder.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return Tr("cannot make a filter graph: %1", Reason(hr));
  if (FAILED(hr = CreateByClass(platform::kFileSourceClsid, graph.source)))
    return NotRegistered(Tr("the file source filter")) + CodeNote(Describe(hr));
  if (FAILED(hr = CreateFilterByName(kEncoderName, graph.encoder)))
    return NotRegistered(Tr("the filter \"%1\"", "Tarn Video Encoder for GAME")) + CodeNote(Describe(hr));
  if (FAILED(hr = CreateByClass(platform::kNullRendererClsid, graph.renderer)))
    return NotRegistered(Tr("the null renderer")) + CodeNote(Describe(hr));

  ComPtr<ITarnFileSourceOptions> sourceOptions;
  ComPtr<IFileSourceFilter> fileSource;
  QueryInterfaceAs(graph.source.Get(), sourceOptions.ReleaseAndGetAddressOf());
  QueryInterfaceAs(graph.source.Get(), fileSource.ReleaseAndGetAddressOf());
  if (!sourceOptions || !fileSource) return Tr("the file source filter lacks its interfaces");
  for (const auto& [name, value] : options.demuxer) sourceOptions->SetOption(name.c_str(), value.c_str());
  hr = fileSource->Load(media::Utf8ToWide(options.input).c_str(), nullptr);
  if (FAILED(hr)) {
    char text[512];
    sourceOptions->GetLastErrorText(text, sizeof(text));
    return Tr("cannot read %1: %2", options.input,
              text[0] != '\0' ? TrLower(text) + CodeNote(Describe(hr)) : Reason(hr));
  }
  LONGLONG frames = 0;
  sourceOptions->GetStreamLength(&frames, length);
  if (std::string problem = ChoosePlayback(options, graph.source.Get(), length); !problem.empty()) return problem;

  graph.builder->AddFilter(graph.source.Get(), L"File Source");
  graph.builder->AddFilter(graph.encoder.Get(), kEncoderName);
  graph.builder->AddFilter(graph.renderer.Get(), L"Null Renderer");
  ComPtr<IPin> output = FindPin(graph.source.Get(), L"Output");
  hr = graph.builder->Render(output.Get());
  ComPtr<IPin> encoderInput = FindPin(graph.encoder.Get(), L"In");
  if (FAILED(hr) || !PinConnected(encoderInput.Get()))
    return Tr("the encoder does not take the video of %1: %2", options.input,
              Reason(FAILED(hr) ? hr : VFW_E_CANNOT_CONNECT));
  return options.sound ? AddSoundPath(options, graph) : std::string();
}

int RunEncode(std::span<const std::string_view> args) {
  EncodeOptions options;
  if (std::string problem = ParseOptions(args, options); !problem.empty()) {
    PrintError(Tr("%1 (see tmvtool encode --help)", problem));
    return kExitUsage;
  }
  if (!options.ini.empty()) ::setenv("TARNMEDIA_INI", options.ini.c_str(), 1);
  // FFmpeg's notes (estimated durations and the like) would break the progress line.
  av_log_set_level(AV_LOG_ERROR);

  const std::filesystem::path output = std::filesystem::absolute(options.output);
  if (std::string problem = FolderProblem(output); !problem.empty()) {
    PrintError(Tr("cannot write %1: %2", output.string(), problem));
    return kExitFailure;
  }
  // The output's name goes into a copy of the settings file: two encodes at once would otherwise
  // write into each other's files.
  const settings::PrivateSettings privateSettings;
  if (privateSettings.error()) {
    PrintError(Tr("cannot make a copy of the settings file %1: %2", privateSettings.userFile().string(),
                  privateSettings.error().message()));
    return kExitFailure;
  }
  const settings::ProfileFile profile(privateSettings.copy(), privateSettings.copyDurability());
  if (std::string problem = CheckPictureSettings(profile, privateSettings.userFile()); !problem.empty()) {
    PrintError(problem);
    return kExitFailure;
  }
  std::filesystem::path sound = output;
  sound.replace_extension(".tms");
  for (const auto& [section, path] : {std::pair{kSection, output}, std::pair{"AudioOut", sound}}) {
    if (const std::error_code error = profile.Write(section, "FileName", path.string())) {
      PrintError(Tr("cannot write the settings file %1: %2", profile.path().string(), error.message()));
      return kExitFailure;
    }
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
      if (options.sound && !graph.sound && !Say().quiet)
        std::fprintf(stderr, "tmvtool: %s has no sound FFmpeg decodes: no sound file\n", options.input.c_str());
      const GraphRun run = RunToCompletion(graph.builder.Get(), graph.encoder.Get(), length);
      const WalkResult written = WalkWrittenMovie(output.string());
      if (run.error == E_ABORT && InterruptWatch::Interrupted()) {
        PrintError(TrCount(written.records, "interrupted: %2 keeps the %1 frame converted",
                           "interrupted: %2 keeps the %1 frames converted", output.string()));
        exitCode = kExitInterrupted;
      } else if (!run.completed) {
        const std::string failed =
            Tr("encoding %1 into %2 failed: %3", options.input, output.string(), Reason(run.error));
        PrintError(!written.opened ? failed
                                   : TrCount(written.records, "%2; %1 frame written before",
                                             "%2; %1 frames written before", failed));
        exitCode = kExitFailure;
      } else if (!written.opened || written.Damaged()) {
        exitCode = ReportFaults(output.string(), written);
        if (exitCode == kExitOk) exitCode = kExitFailure;
      } else {
        // Real time is the input's length; without one, the movie's ten records a second.
        const double played =
            length > 0 ? static_cast<double>(length) / UNITS : static_cast<double>(written.records) / 10.0;
        const double speed = run.seconds > 0 ? played / run.seconds : 0.0;
        std::error_code error;
        const bool soundWritten = graph.sound && std::filesystem::is_regular_file(sound, error);
        const std::string soundNote =
            !soundWritten ? std::string()
                          : Tr("; %1: %2", sound.string(),
                               TrCount(std::filesystem::file_size(sound, error), "%1 byte", "%1 bytes"));
        if (!Say().quiet)
          std::printf("%s\n", Tr("%1: %2, %3%4, %5 s, %6x real time", output.string(),
                                 TrCount(written.records, "%1 frame", "%1 frames"),
                                 TrCount(written.fileSize, "%1 byte", "%1 bytes"), soundNote, Fixed(run.seconds, 2),
                                 Fixed(speed, 1))
                                  .c_str());
      }
    }
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  return exitCode;
}

}  // namespace

const Subcommand& EncodeSubcommand() {
  static const Subcommand command{"encode", TrNoop("convert a video file into a movie file through the encoder filter"),
                                  kUsage, &RunEncode};
  return command;
}

}  // namespace tarn::tmvtool
