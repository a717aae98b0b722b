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
#include "tools/tmvtool/progress_line.h"
#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {
namespace {

constexpr std::string_view kUsage =
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
    "and the speed against real time. Ctrl-C stops and keeps what was converted.\n";

// The conversion graph's filters, by their registered friendly names.
enum ConversionFilter : std::size_t { kNavigator, kDecoder, kVideoEncoder, kAudioEncoder, kAcmWrapper };
constexpr std::array<std::string_view, 5> kConversionFilters{"DVD Navigator", "GPL MPEG-1/2 Decoder",
                                                             "Tarn Video Encoder for GAME",
                                                             "Tarn Audio Encoder for DVD", "ACM Wrapper"};
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

bool ParseNumber(std::string_view text, int& value) {
  if (text.empty() || text.size() > 6) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value > 0;
}

std::string ParseOptions(std::span<const std::string_view> args, DvdEncodeOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view flag = args[i];
    if (i + 1 == args.size() || args[i + 1].empty()) return std::string(flag) + " needs a value";
    const std::string_view value = args[++i];
    if (flag == "--dvd")
      options.disc = value;
    else if (flag == "-o" || flag == "--out" || flag == "--output")
      options.output = value;
    else if (flag == "--ini")
      options.ini = value;
    else if (flag == "--title") {
      if (!ParseNumber(value, options.title)) return "--title needs a title number from 1";
    } else if (flag == "--audio") {
      if (!ParseNumber(value, options.audio)) return "--audio needs a stream number from 1";
    } else if (flag == "--subtitle") {
      if (!ParseNumber(value, options.subtitle)) return "--subtitle needs a stream number from 1";
    } else if (flag == "--chapters") {
      const std::size_t dash = value.find('-');
      const std::string_view first = value.substr(0, dash);
      const std::string_view last = dash == std::string_view::npos ? first : value.substr(dash + 1);
      if (!ParseNumber(first, options.firstChapter) || !ParseNumber(last, options.lastChapter) ||
          options.lastChapter < options.firstChapter)
        return "--chapters needs A-B with 1 <= A <= B";
    } else {
      return "unknown option " + std::string(flag);
    }
  }
  if (options.disc.empty()) return "no disc (--dvd PATH)";
  if (options.title == 0) return "no title (--title T)";
  if (options.output.empty()) return "no output file (-o OUT.tmv)";
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
  return std::string(text) + (FAILED(hr) ? CodeNote(Describe(hr)) : std::string());
}

// Checks the title and chapters against the disc and fills in the whole title when no chapters
// were named. Empty text, or what is wrong.
std::string CheckAgainstDisc(IDvdInfo2* info, DvdEncodeOptions& options) {
  ULONG volumes = 0, volume = 0, titles = 0, chapters = 0;
  DVD_DISC_SIDE side{};
  if (FAILED(info->GetDVDVolumeInfo(&volumes, &volume, &side, &titles)))
    return "cannot read the titles of " + options.disc;
  const auto plural = [](ULONG count, const char* one) {
    return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
  };
  if (static_cast<ULONG>(options.title) > titles)
    return options.disc + " has " + plural(titles, "title") + "; there is no title " + std::to_string(options.title);
  if (FAILED(info->GetNumberOfChapters(static_cast<ULONG>(options.title), &chapters)) || chapters == 0)
    return "cannot read the chapters of title " + std::to_string(options.title) + " of " + options.disc;
  if (options.firstChapter == 0) {
    options.firstChapter = 1;
    options.lastChapter = static_cast<int>(chapters);
  }
  if (static_cast<ULONG>(options.lastChapter) > chapters)
    return "title " + std::to_string(options.title) + " of " + options.disc + " has " + plural(chapters, "chapter") +
           "; there is no chapter " + std::to_string(options.lastChapter);
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
  progress.Show("chapter " + std::to_string(current) + " of " + std::to_string(count), current - 1, count,
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
    result.error = "cannot play title " + std::to_string(options.title) + " chapters " +
                   std::to_string(options.firstChapter) + "-" + std::to_string(options.lastChapter) + ": " +
                   NavigatorError(navigator, hr);
    return result;
  }
  ULONG audioStreams = 0, audioCurrent = 0;
  info->GetCurrentAudio(&audioStreams, &audioCurrent);
  if (audioStreams > 0 &&
      FAILED(hr = dvd->SelectAudioStream(static_cast<ULONG>(options.audio - 1), DVD_CMD_FLAG_None, nullptr))) {
    result.error = "title " + std::to_string(options.title) + " has no audio stream " + std::to_string(options.audio) +
                   " (it has " + std::to_string(audioStreams) + ")";
    return result;
  }
  if (options.subtitle > 0) {
    hr = dvd->SelectSubpictureStream(static_cast<ULONG>(options.subtitle - 1), DVD_CMD_FLAG_None, nullptr);
    if (FAILED(hr)) {
      result.error =
          "title " + std::to_string(options.title) + " has no subtitle stream " + std::to_string(options.subtitle);
      return result;
    }
  }
  dvd->SetSubpictureState(options.subtitle > 0 ? TRUE : FALSE, DVD_CMD_FLAG_None, nullptr);

  const auto started = std::chrono::steady_clock::now();
  if (FAILED(hr = control->Pause()) || FAILED(hr = control->Run())) {
    result.error = "the conversion does not start: " + Reason(hr);
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
        result.error = "the conversion stopped: " + Reason(static_cast<HRESULT>(param1));
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
    if (dvdError || (text != Describe(S_OK) && !text.empty())) result.error = "playing the disc failed: " + text;
  }
  return result;
}

int RunDvdEncode(std::span<const std::string_view> args) {
  DvdEncodeOptions options;
  if (std::string problem = ParseOptions(args, options); !problem.empty()) {
    PrintError(problem + " (see tmvtool encode --help)");
    return kExitUsage;
  }
  if (!options.ini.empty()) ::setenv("TARNMEDIA_INI", options.ini.c_str(), 1);
  const std::filesystem::path movie = std::filesystem::absolute(options.output);
  std::filesystem::path sound = movie;
  sound.replace_extension(".tms");
  std::error_code folderError;
  if (!std::filesystem::exists(movie.parent_path(), folderError) &&
      !std::filesystem::create_directories(movie.parent_path(), folderError) && folderError) {
    PrintError("cannot write " + movie.string() + ": the folder cannot be made: " + folderError.message());
    return kExitFailure;
  }
  // The names go into a copy of the settings file: two encodes at once would otherwise write
  // into each other's files.
  const settings::PrivateSettings privateSettings;
  if (privateSettings.error()) {
    PrintError("cannot make a copy of the settings file " + privateSettings.userFile().string() + ": " +
               privateSettings.error().message());
    return kExitFailure;
  }
  const settings::ProfileFile profile(privateSettings.copy());
  for (const auto& [section, path] : {std::pair{"SaveMovie", movie}, std::pair{"AudioOut", sound}}) {
    if (const std::error_code error = profile.Write(section, "FileName", path.string())) {
      PrintError("cannot write the settings file " + profile.path().string() + ": " + error.message());
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
      PrintError("cannot make a filter graph: " + Reason(hr));
    } else {
      media::graph::FiltersAdded added;
      media::graph::AddFiltersByFriendlyName(graph.Get(), kConversionFilters, &added);
      for (std::size_t i = 0; i < kConversionFilters.size(); ++i) {
        if (!added.found[i])
          PrintError("warning: " + NotRegistered("the filter \"" + std::string(kConversionFilters[i]) + "\""));
      }
      ComPtr<IBaseFilter> navigator = added.first[kNavigator];
      ComPtr<IDvdControl2> dvd;
      ComPtr<IDvdInfo2> info;
      std::string problem;
      if (!navigator || FAILED(QueryInterfaceAs(navigator.Get(), dvd.ReleaseAndGetAddressOf())) ||
          FAILED(QueryInterfaceAs(navigator.Get(), info.ReleaseAndGetAddressOf()))) {
        PrintError("cannot play DVD-Video titles: no DVD navigator in the filter category");
      } else if (FAILED(hr = dvd->SetDVDDirectory(media::Utf8ToWide(options.disc).c_str()))) {
        PrintError("cannot open the disc " + options.disc + ": " + NavigatorError(navigator.Get(), hr));
      } else if (!(problem = CheckAgainstDisc(info.Get(), options)).empty()) {
        PrintError(problem);
        exitCode = kExitUsage;
      } else {
        media::graph::RenderUnconnectedOutputs(graph.Get(), navigator.Get(), kNavigatorOutputs);
        if (!media::graph::HasConnectedInput(added.first[kVideoEncoder].Get()))
          std::fprintf(stderr, "tmvtool: warning: the video encoder is not in the video path: no movie file\n");
        if (!media::graph::HasConnectedInput(added.first[kAudioEncoder].Get()))
          std::fprintf(stderr, "tmvtool: warning: the audio encoder is not in the audio path: no sound file\n");
        const RunResult run = PlayChapters(graph.Get(), navigator.Get(), options);
        std::error_code error;
        const bool movieWritten = std::filesystem::is_regular_file(movie, error);
        const auto soundBytes =
            std::filesystem::is_regular_file(sound, error) ? std::filesystem::file_size(sound, error) : 0;
        const WalkResult written =
            !movieWritten
                ? WalkResult{}
                : WalkMovie(
                      movie.string(), [](const WalkResult&) {},
                      [](const movie::RecordInfo&, movie::PlayOutcome, const movie::MoviePlayer&) { return true; });
        if (run.interrupted) {
          PrintError("interrupted: " + movie.string() + " and " + sound.string() + " keep what was converted");
          exitCode = kExitInterrupted;
        } else if (!run.error.empty()) {
          PrintError(run.error);
        } else if (movieWritten && written.Damaged()) {
          exitCode = ReportFaults(movie.string(), written);
          if (exitCode == kExitOk) exitCode = kExitFailure;
        } else {
          const double played = static_cast<double>(written.records) / 10.0;
          if (!Say().quiet)
            std::printf("%s: %s, %s; %s: %s; %.2f s, %.1fx real time\n", movie.string().c_str(),
                        Count(written.records, "frame").c_str(), Count(written.fileSize, "byte").c_str(),
                        sound.string().c_str(), Count(soundBytes, "byte").c_str(), run.seconds,
                        run.seconds > 0 ? played / run.seconds : 0.0);
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
  static const Subcommand command{"encode", "convert chapters of a DVD title into a movie and a sound file", kUsage,
                                  &RunDvdEncode};
  return command;
}

}  // namespace tarn::tmvtool
