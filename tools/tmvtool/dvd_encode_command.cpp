// tmvtool encode --dvd: converts a run of chapters of a DVD title into a movie file and a sound
// file through the conversion graph: the filters are added by friendly name from the filter
// category, the navigator's outputs rendered, and the graph builder finds the paths.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/private_settings.h"
#include "base/profile_file.h"
#include "base/settings_location.h"
#include "media/com/ComPtr.h"
#include "media/dshow/EventCodes.h"
#include "platform/navigator/dvd_interfaces.h"
#include "media/graph/GraphInterfaces.h"
#include "media/graph/GraphPopulation.h"
#include "media/graph/PinQueries.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/HResultText.h"
#include "media/registry/TextConversion.h"
#include "platform/navigator/navigator_interfaces.h"
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
    "usage: tmvtool encode --dvd PATH --title T [--chapters A-B] [--audio N] [--subtitle N]\n"
    "                      -o OUT.tmv [--ini FILE]\n"
    "\n"
    "Converts chapters A to B of title T of the disc at PATH (an .ifo file, a VIDEO_TS folder,\n"
    "a disc folder or an image) into the movie file OUT.tmv and the sound file OUT.tms, through\n"
    "a graph of the DVD navigator, the MPEG decoder and the two encoders. The names go into\n"
    "the run's own copy of the settings file, which keeps its values.\n"
    "  --title T          title number, from 1\n"
    "  --chapters A-B     first and last chapter, or one chapter A (default: the whole title)\n"
    "  --audio N          audio stream, from 1 as dvd-info lists them (default 1)\n"
    "  --subtitle N       subtitle stream shown in the pictures (default: none)\n"
    "  -o, --out OUT.tmv  the movie file to write (its folder is made when missing)\n"
    "  --ini FILE         the settings file to use (sets TARNMEDIA_INI)\n"
    "Shows the chapter being converted on a terminal, and prints the frames and bytes written\n"
    "and the speed against real time. Ctrl-C stops and keeps what was converted.\n");

// The conversion graph's filters, by their registered friendly names, in the order they go into
// the graph: the PCM wrapper before the audio encoder, so that the decoded sound reaches the
// encoder through it (as in tarnconv).
enum ConversionFilter : std::size_t { kNavigator, kDecoder, kVideoEncoder, kAcmWrapper, kAudioEncoder };
constexpr std::array<std::string_view, 5> kConversionFilters{"DVD Navigator", "GPL MPEG-1/2 Decoder",
                                                             "Tarn Video Encoder for GAME", "ACM Wrapper",
                                                             "Tarn Audio Encoder for DVD"};
// How many of the navigator's outputs are rendered: video, audio and subpicture.
constexpr int kNavigatorOutputs = 3;

struct DvdEncodeOptions {
  std::string disc;
  std::string output;
  std::string ini;
  int title = 0;
  int firstChapter = 0;
  int lastChapter = 0;
  int audio = 1;
  int subtitle = 0;  // 0: none
};

std::string ParseOptions(std::span<const std::string_view> args, DvdEncodeOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view flag = args[i];
    if (i + 1 == args.size() || args[i + 1].empty()) return Tr("%1 needs a value", flag);
    const std::string_view value = args[++i];
    if (flag == "--dvd")
      options.disc = value;
    else if (flag == "-o" || flag == "--out" || flag == "--output")
      options.output = value;
    else if (flag == "--ini")
      options.ini = value;
    else if (flag == "--title") {
      if (!ParsePositive(value, options.title)) return Tr("--title needs a title number from 1");
    } else if (flag == "--audio") {
      if (!ParsePositive(value, options.audio)) return Tr("--audio needs a stream number from 1");
    } else if (flag == "--subtitle") {
      if (!ParsePositive(value, options.subtitle)) return Tr("--subtitle needs a stream number from 1");
    } else if (flag == "--chapters") {
      if (!ParseChapterRange(value, options.firstChapter, options.lastChapter))
        return Tr("--chapters needs A-B with 1 <= A <= B");
    } else {
      return Tr("unknown option %1", flag);
    }
  }
  if (options.disc.empty()) return Tr("no disc (--dvd PATH)");
  if (options.title == 0) return Tr("no title (--title T)");
  if (options.output.empty()) return Tr("no output file (-o OUT.tmv)");
  return {};
}

std::string Describe(HRESULT hr) { return media::DescribeHResult(hr); }

// The navigator's own words for its last failure, else those of the code.
std::string NavigatorError(IUnknown* navigator, HRESULT hr) {
  ComPtr<ITarnNavigatorStatus> status;
  char text[512] = "";
  if (SUCCEEDED(QueryInterfaceAs(navigator, status.ReleaseAndGetAddressOf())))
    status->GetLastErrorText(text, sizeof(text));
  if (text[0] == '\0') return FAILED(hr) ? Reason(hr) : std::string();
  return TrLower(text) + (FAILED(hr) ? CodeNote(Describe(hr)) : std::string());
}

// Checks the title and chapters against the disc and fills in the whole title when no chapters
// were named. Empty text, or what is wrong.
std::string CheckAgainstDisc(IDvdInfo2* info, DvdEncodeOptions& options) {
  ULONG volumes = 0, volume = 0, titles = 0, chapters = 0;
  DVD_DISC_SIDE side{};
  if (FAILED(info->GetDVDVolumeInfo(&volumes, &volume, &side, &titles)))
    return Tr("cannot read the titles of %1", options.disc);
  if (static_cast<ULONG>(options.title) > titles)
    return TrCount(titles, "%2 has %1 title; there is no title %3", "%2 has %1 titles; there is no title %3",
                   options.disc, options.title);
  if (FAILED(info->GetNumberOfChapters(static_cast<ULONG>(options.title), &chapters)) || chapters == 0)
    return Tr("cannot read the chapters of title %1 of %2", options.title, options.disc);
  if (options.firstChapter == 0) {
    options.firstChapter = 1;
    options.lastChapter = static_cast<int>(chapters);
  }
  if (static_cast<ULONG>(options.lastChapter) > chapters)
    return TrCount(chapters, "title %2 of %3 has %1 chapter; there is no chapter %4",
                   "title %2 of %3 has %1 chapters; there is no chapter %4", options.title, options.disc,
                   options.lastChapter);
  return {};
}

struct RunResult {
  std::string error;
  bool interrupted = false;
  double seconds = 0;
};

// "chapter 2 of 5: 20%, 0:41 left", counted in chapters: the navigator knows no run's length.
void ShowChapter(ProgressLine& progress, IDvdInfo2* info, const DvdEncodeOptions& options,
                 std::chrono::steady_clock::time_point started) {
  DVD_PLAYBACK_LOCATION2 location;
  if (FAILED(info->GetCurrentLocation(&location)) || location.ChapterNum < static_cast<ULONG>(options.firstChapter))
    return;
  const int count = options.lastChapter - options.firstChapter + 1;
  const int current = std::min(static_cast<int>(location.ChapterNum) - options.firstChapter + 1, count);
  progress.Show(Tr("chapter %1 of %2", current, count), current - 1, count,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

// Plays the chapters and waits until the navigator reads stopped (or an error stops the graph).
RunResult PlayChapters(IGraphBuilder* graph, IBaseFilter* navigator, const DvdEncodeOptions& options) {
  RunResult result;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  ComPtr<IDvdControl2> dvd;
  ComPtr<IDvdInfo2> info;
  QueryInterfaceAs(graph, control.ReleaseAndGetAddressOf());
  QueryInterfaceAs(graph, events.ReleaseAndGetAddressOf());
  QueryInterfaceAs(navigator, dvd.ReleaseAndGetAddressOf());
  QueryInterfaceAs(navigator, info.ReleaseAndGetAddressOf());
  dvd->SetOption(DVD_ResetOnStop, FALSE);
  dvd->SetOption(DVD_NotifyParentalLevelChange, TRUE);
  dvd->SetOption(DVD_HMSF_TimeCodeEvents, TRUE);

  // Chosen before the graph starts, so that the first sound of the run is already the wanted one.
  const auto count = static_cast<ULONG>(options.lastChapter - options.firstChapter + 1);
  HRESULT hr = dvd->PlayChaptersAutoStop(static_cast<ULONG>(options.title), static_cast<ULONG>(options.firstChapter),
                                         count, DVD_CMD_FLAG_SendEvents, nullptr);
  if (FAILED(hr)) {
    result.error = Tr("cannot play title %1 chapters %2-%3: %4", options.title, options.firstChapter,
                      options.lastChapter, NavigatorError(navigator, hr));
    return result;
  }
  ULONG audioStreams = 0, audioCurrent = 0;
  info->GetCurrentAudio(&audioStreams, &audioCurrent);
  if (audioStreams > 0 &&
      FAILED(hr = dvd->SelectAudioStream(static_cast<ULONG>(options.audio - 1), DVD_CMD_FLAG_None, nullptr))) {
    result.error = Tr("title %1 has no audio stream %2 (it has %3)", options.title, options.audio, audioStreams);
    return result;
  }
  if (options.subtitle > 0) {
    hr = dvd->SelectSubpictureStream(static_cast<ULONG>(options.subtitle - 1), DVD_CMD_FLAG_None, nullptr);
    if (FAILED(hr)) {
      result.error = Tr("title %1 has no subtitle stream %2", options.title, options.subtitle);
      return result;
    }
  }
  dvd->SetSubpictureState(options.subtitle > 0 ? TRUE : FALSE, DVD_CMD_FLAG_None, nullptr);

  const auto started = std::chrono::steady_clock::now();
  if (FAILED(hr = control->Pause()) || FAILED(hr = control->Run())) {
    result.error = Tr("the conversion does not start: %1", Reason(hr));
    control->Stop();
    return result;
  }
  bool dvdError = false;
  ProgressLine progress;
  for (;;) {
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
      events->FreeEventParams(code, param1, param2);
      if (code == EC_DVD_ERROR) dvdError = true;
      if (code == EC_ERRORABORT && result.error.empty())
        result.error = Tr("the conversion stopped: %1", Reason(static_cast<HRESULT>(param1)));
    }
    if (InterruptWatch::Interrupted()) {
      result.interrupted = true;
      break;
    }
    DVD_DOMAIN domain = DVD_DOMAIN_Title;
    if (!result.error.empty() || (SUCCEEDED(info->GetCurrentDomain(&domain)) && domain == DVD_DOMAIN_Stop)) break;
    ShowChapter(progress, info.Get(), options, started);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  control->Stop();
  progress.Clear();
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (result.error.empty() && !result.interrupted) {
    const std::string text = NavigatorError(navigator, S_OK);
    if (dvdError || (text != Describe(S_OK) && !text.empty())) result.error = Tr("playing the disc failed: %1", text);
  }
  return result;
}

int RunDvdEncode(std::span<const std::string_view> args) {
  DvdEncodeOptions options;
  if (std::string problem = ParseOptions(args, options); !problem.empty()) {
    PrintError(Tr("%1 (see tmvtool encode --help)", problem));
    return kExitUsage;
  }
  if (!options.ini.empty()) ::setenv("TARNMEDIA_INI", options.ini.c_str(), 1);
  const std::filesystem::path movie = std::filesystem::absolute(options.output);
  std::filesystem::path sound = movie;
  sound.replace_extension(".tms");
  std::error_code folderError;
  if (!std::filesystem::exists(movie.parent_path(), folderError) &&
      !std::filesystem::create_directories(movie.parent_path(), folderError) && folderError) {
    PrintError(Tr("cannot write %1: the folder cannot be made: %2", movie.string(), folderError.message()));
    return kExitFailure;
  }
  // The names go into a copy of the settings file: two encodes at once would otherwise write
  // into each other's files.
  const settings::PrivateSettings privateSettings;
  if (privateSettings.error()) {
    PrintError(Tr("cannot make a copy of the settings file %1: %2", privateSettings.userFile().string(),
                  privateSettings.error().message()));
    return kExitFailure;
  }
  const settings::ProfileFile profile(privateSettings.copy(), privateSettings.copyDurability());
  for (const auto& [section, path] : {std::pair{"SaveMovie", movie}, std::pair{"AudioOut", sound}}) {
    if (const std::error_code error = profile.Write(section, "FileName", path.string())) {
      PrintError(Tr("cannot write the settings file %1: %2", profile.path().string(), error.message()));
      return kExitFailure;
    }
  }

  const InterruptWatch interrupt;
  CoInitialize(nullptr);
  media::RegisterFilterGraphClasses();
  int exitCode = kExitFailure;
  {
    ComPtr<IGraphBuilder> graph;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(graph.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
      PrintError(Tr("cannot make a filter graph: %1", Reason(hr)));
    } else {
      media::graph::FiltersAdded added;
      media::graph::AddFiltersByFriendlyName(graph.Get(), kConversionFilters, &added);
      for (std::size_t i = 0; i < kConversionFilters.size(); ++i) {
        if (!added.found[i])
          PrintError(Tr("warning: %1", NotRegistered(Tr("the filter \"%1\"", kConversionFilters[i]))));
      }
      ComPtr<IBaseFilter> navigator = added.first[kNavigator];
      ComPtr<IDvdControl2> dvd;
      ComPtr<IDvdInfo2> info;
      std::string problem;
      if (!navigator || FAILED(QueryInterfaceAs(navigator.Get(), dvd.ReleaseAndGetAddressOf())) ||
          FAILED(QueryInterfaceAs(navigator.Get(), info.ReleaseAndGetAddressOf()))) {
        PrintError(Tr("cannot play DVD-Video titles: no DVD navigator in the filter category"));
      } else if (FAILED(hr = dvd->SetDVDDirectory(media::Utf8ToWide(options.disc).c_str()))) {
        PrintError(Tr("cannot open the disc %1: %2", options.disc, NavigatorError(navigator.Get(), hr)));
      } else if (!(problem = CheckAgainstDisc(info.Get(), options)).empty()) {
        PrintError(problem);
        exitCode = kExitUsage;
      } else {
        media::graph::RenderUnconnectedOutputs(graph.Get(), navigator.Get(), kNavigatorOutputs);
        if (!media::graph::HasConnectedInput(added.first[kVideoEncoder].Get()))
          PrintError(Tr("warning: the video encoder is not in the video path: no movie file"));
        if (!media::graph::HasConnectedInput(added.first[kAudioEncoder].Get()))
          PrintError(Tr("warning: the audio encoder is not in the audio path: no sound file"));
        const RunResult run = PlayChapters(graph.Get(), navigator.Get(), options);
        std::error_code error;
        const auto soundBytes =
            std::filesystem::is_regular_file(sound, error) ? std::filesystem::file_size(sound, error) : 0;
        const WalkResult written = WalkWrittenMovie(movie.string());
        if (run.interrupted) {
          PrintError(Tr("interrupted: %1 and %2 keep what was converted", movie.string(), sound.string()));
          exitCode = kExitInterrupted;
        } else if (!run.error.empty()) {
          PrintError(run.error);
        } else if (written.Damaged()) {
          exitCode = ReportFaults(movie.string(), written);
          if (exitCode == kExitOk) exitCode = kExitFailure;
        } else {
          const double played = static_cast<double>(written.records) / 10.0;
          if (!Say().quiet)
            std::printf("%s\n", Tr("%1: %2, %3; %4: %5; %6 s, %7x real time", movie.string(),
                                   TrCount(written.records, "%1 frame", "%1 frames"),
                                   TrCount(written.fileSize, "%1 byte", "%1 bytes"), sound.string(),
                                   TrCount(soundBytes, "%1 byte", "%1 bytes"), Fixed(run.seconds, 2),
                                   Fixed(run.seconds > 0 ? played / run.seconds : 0.0, 1))
                                    .c_str());
          exitCode = kExitOk;
        }
      }
    }
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  return exitCode;
}

}  // namespace

const Subcommand& DvdEncodeSubcommand() {
  static const Subcommand command{"encode", TrNoop("convert chapters of a DVD title into a movie and a sound file"),
                                  kUsage, &RunDvdEncode};
  return command;
}

}  // namespace tarn::tmvtool
