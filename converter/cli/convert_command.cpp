#include "converter/cli/convert_command.h"

#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "converter/engine/translated_text.h"
#include "converter/cli/console_controls.h"
#include "converter/cli/segment_report.h"
#include "converter/engine/disc_browser.h"
#include "converter/engine/window_start.h"
#include "converter/engine/work_list_editing.h"
#include "converter/graph/headless_event_window.h"
#include "base/private_settings.h"
#include "base/settings_location.h"
#include "converter/settings/converter_settings.h"
#include "media/registry/FilterRegistry.h"

namespace tarn::conv {

namespace {

namespace fs = std::filesystem;
namespace keys = settings::keys;

// Why the folder cannot take the output files, or "" when it can; a missing folder is made.
// Writability is tried with a file of our own: permission bits say nothing for root or on a
// read-only mount.
std::string OutputFolderProblem(const fs::path& folder) {
  std::error_code error;
  if (!fs::exists(folder, error) && !fs::create_directories(folder, error) && error)
    return Tr("cannot make the output folder %1: %2", folder.string(), TrLower(error.message()));
  const fs::file_status status = fs::status(folder, error);
  if (!fs::exists(status)) return Tr("the output folder %1 does not exist", folder.string());
  if (!fs::is_directory(status)) return Tr("the output folder %1 is not a folder", folder.string());
  std::string probe = (folder / ".tarnconv-write-test-XXXXXX").string();
  const int descriptor = ::mkstemp(probe.data());
  if (descriptor < 0)
    return Tr("cannot write into the output folder %1: %2", folder.string(), TrLower(std::strerror(errno)));
  ::close(descriptor);
  ::unlink(probe.c_str());
  return {};
}

// No playback graph: most often no filter registry where it was looked for.
std::string GraphProblem() {
  const fs::path registry = media::FilterRegistryPath();
  std::error_code error;
  if (!fs::exists(registry, error))
    return Tr(
        "cannot build the playback graph: there is no filter registry at %1 (TARNMEDIA_FILTERS names another; "
        "tarnregsvr registers the filter libraries)",
        registry.string());
  return Tr("cannot build the playback graph from the filters of %1", registry.string());
}

bool Contains(const std::vector<unsigned>& numbers, unsigned number) {
  return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

class ConvertCommand {
 public:
  ConvertCommand(const ConvertOptions& options, PowerSwitch& power, ConsoleStreams streams)
      : options_(options),
        power_(power),
        streams_(streams),
        profile_(private_.copy(), private_.copyDurability()),
        userProfile_(private_.userFile()),
        controls_(streams.err),
        graph_(windows_,
               [this](std::string_view text, std::string_view caption) { controls_.ShowMessage(text, caption); }),
        current_(graph_),
        browser_(current_, controls_, list_, profile_) {}

  int Run(SizeProbe sizeProbe);

 private:
  int Fail(const std::string& reason, int status = kExitFailed) {
    streams_.err << "tarnconv: " << reason << '\n';
    return status;
  }
  std::string CheckBeforeOpening();
  std::optional<int> AddSources();
  std::string Unreadable(const SourceArgument& source) const;
  bool SeveralSources() const { return options_.sources.size() > 1; }
  std::string TitleName(std::size_t position) const;
  std::string CheckAgainstDisc();
  std::string CheckStreamsOfTitles();
  bool Named(std::size_t position) const {
    return options_.titles.empty() || Contains(options_.titles, static_cast<unsigned>(position + 1));
  }
  std::error_code WriteOptions() const;
  void ApplyOptionsToTitles();
  int ConvertAndContinue(ConversionController& controller, const SegmentReport& report);

  const ConvertOptions& options_;
  PowerSwitch& power_;
  ConsoleStreams streams_;
  settings::PrivateSettings private_;
  settings::ProfileFile profile_;      // the run's own copy
  settings::ProfileFile userProfile_;  // takes only the running number
  fs::path outputFolder_;
  ConsoleControls controls_;
  WorkList list_;
  HeadlessEventWindowFactory windows_;
  DescriptionsAhead looks_;  // outlives the graph, which takes from it
  CDvdGraph graph_;
  CurrentGraph current_;
  DiscBrowser browser_;
};

// Everything that can be refused before a source is opened.
std::string ConvertCommand::CheckBeforeOpening() {
  std::error_code error;
  for (const SourceArgument& source : options_.sources)
    if (!source.drive && !fs::exists(source.path, error)) return Tr("%1: no such file or folder", source.path);
  outputFolder_ = options_.outputFolder ? fs::absolute(*options_.outputFolder, error)
                                        : fs::path(settings::ReadPath(profile_, keys::kSaveDir));
  if (std::string problem = OutputFolderProblem(outputFolder_); !problem.empty()) return problem;
  for (const auto& [key, overridden] :
       {std::pair{keys::kBatch, options_.batch.has_value()}, std::pair{keys::kCon, options_.join.has_value()}}) {
    const std::int32_t value = settings::ReadNumber(profile_, key);
    if (!overridden && value != 0 && value != 1)
      return Tr("%1=%2 in %3 starts no conversion (only 0 and 1 do)", key.name, value, userProfile_.path().string());
  }
  return {};
}

// Every source's titles, in the order given, as the Open button adds them one after the other.
// A source that adds nothing, or only some of its titles, stops the command before anything
// is written: a run without it would look complete. Returns the exit status when it stops.
std::optional<int> ConvertCommand::AddSources() {
  for (const SourceArgument& source : options_.sources) {
    const std::string name = source.drive ? Tr("the disc in the drive") : source.path;
    const auto tooMany = [&] {
      return Fail(Tr("the title list holds at most %1 titles and %2 does not fit: convert the sources in several runs",
                     kMaxTitles, name),
                  kExitUsage);
    };
    if (list_.IsFull()) return tooMany();
    const std::size_t added = source.drive ? browser_.OpenDrive() : browser_.OpenPath(source.path);
    if (added == 0) return Fail(Unreadable(source));
    if (added < graph_.TitleCount()) return tooMany();
  }
  return std::nullopt;
}

std::string ConvertCommand::Unreadable(const SourceArgument& source) const {
  if (source.drive) return Tr("no DVD-Video disc found in a drive");
  if (NamesDiscSource(source.path)) return Tr("%1 holds no DVD-Video titles", source.path);
  return Tr("%1 is neither a DVD-Video disc nor a video file that can be read", source.path);
}

// A title as the user can find it: with several sources, by its place in the list that
// --titles counts, and its number in its own source.
std::string ConvertCommand::TitleName(std::size_t position) const {
  const CTitleEntry& entry = *list_.At(position);
  if (!SeveralSources()) return Tr("title %1", entry.titleNumber);
  return Tr("title %1 (title %2 of %3)", position + 1, entry.titleNumber, entry.source);
}

std::string ConvertCommand::CheckAgainstDisc() {
  const std::size_t titles = list_.TitleCount();
  for (unsigned title : options_.titles)
    if (title > titles)
      return SeveralSources() ? TrCount(titles, "the sources have %1 title together; there is no title %2",
                                        "the sources have %1 titles together; there is no title %2", title)
                              : TrCount(titles, "the source has %1 title; there is no title %2",
                                        "the source has %1 titles; there is no title %2", title);
  for (std::size_t position = 0; position < titles; ++position) {
    if (!Named(position)) continue;
    const CTitleEntry& entry = *list_.At(position);
    for (unsigned chapter : options_.chapters)
      if (chapter > entry.chapterCount)
        return TrCount(entry.chapterCount, "%2 has %1 chapter; there is no chapter %3",
                       "%2 has %1 chapters; there is no chapter %3", TitleName(position), chapter);
  }
  if (std::string problem = CheckStreamsOfTitles(); !problem.empty()) return problem;
  const bool batch = options_.batch ? *options_.batch : settings::ReadNumber(profile_, keys::kBatch) == 1;
  if (!batch && options_.titles.size() > 1)
    return Tr("--titles names several titles: add --batch to convert them in one run");
  return {};
}

// A title may carry fewer streams than its title set declares: each title named must have the
// streams asked for, or its sound file would be silence and its subtitles missing.
std::string ConvertCommand::CheckStreamsOfTitles() {
  if (!options_.audio && (!options_.subtitle || *options_.subtitle == 0)) return {};
  for (std::size_t position = 0; position < list_.TitleCount(); ++position) {
    if (!Named(position)) continue;
    const std::optional<DiscBrowser::StreamCounts> counts = browser_.TitleStreams(*list_.At(position));
    const std::string title = TitleName(position);
    if (!counts) return Tr("cannot read the streams of %1", title);
    if (options_.audio && *options_.audio > counts->audio)
      return TrCount(counts->audio, "%2 has %1 audio stream; there is no audio stream %3",
                     "%2 has %1 audio streams; there is no audio stream %3", title, *options_.audio);
    if (options_.subtitle && *options_.subtitle > counts->subpictures)
      return TrCount(counts->subpictures, "%2 has %1 subtitle stream; there is no subtitle stream %3",
                     "%2 has %1 subtitle streams; there is no subtitle stream %3", title, *options_.subtitle);
  }
  return {};
}

// Only what the options name; the rest stays as the settings file has it.
std::error_code ConvertCommand::WriteOptions() const {
  std::vector<std::pair<settings::SettingKey, std::string>> values;
  if (options_.batch) values.emplace_back(keys::kBatch, *options_.batch ? "1" : "0");
  if (options_.join) values.emplace_back(keys::kCon, *options_.join ? "1" : "0");
  if (options_.limitMiB)
    values.emplace_back(keys::kLimitSize, std::to_string(std::int64_t{*options_.limitMiB} * 1048576));
  if (options_.outputFolder) values.emplace_back(keys::kSaveDir, (outputFolder_ / "").string());
  if (options_.powerOff) values.emplace_back(keys::kOff, *options_.powerOff ? "1" : "0");
  std::vector<settings::ProfileEntry> entries;
  for (const auto& [key, value] : values) entries.push_back({key.section, key.name, value});
  if (entries.empty()) return {};
  return profile_.Write(entries);
}

// The titles were added with the settings the file held before; the options are what the user
// would have set in the window before adding them.
void ConvertCommand::ApplyOptionsToTitles() {
  if (options_.limitMiB) {
    controls_.SetSizeLimitPosition(*options_.limitMiB);
    controls_.SetLimitBoxText(std::to_string(*options_.limitMiB));
  }
  if (options_.outputFolder) list_.outputFolder = (outputFolder_ / "").string();
  for (std::size_t position = 0; position < list_.TitleCount(); ++position) {
    CTitleEntry& entry = *list_.At(position);
    if (options_.limitMiB) entry.sizeLimitMiB = *options_.limitMiB;
    if (options_.outputFolder) entry.outputFolder = list_.outputFolder;
    if (options_.audio) entry.audioChoice = static_cast<int>(*options_.audio) - 1;
    if (options_.subtitle) entry.subtitleChoice = static_cast<int>(*options_.subtitle);
    const int row = static_cast<int>(position);
    const bool named = Named(position);
    TitleCheckChanged(list_, controls_, row, controls_.IsTitleChecked(row), named);
    controls_.SetTitleChecked(row, named);
    if (!named || options_.chapters.empty()) continue;
    entry.chapterSelection.fill(0);
    for (unsigned chapter : options_.chapters) entry.chapterSelection[chapter - 1] = 1;
  }
}

int ConvertCommand::ConvertAndContinue(ConversionController& controller, const SegmentReport& report) {
  controller.ConvertAction();
  std::optional<std::pair<std::size_t, unsigned>> lastResume;
  while (options_.continueAfterLimit && !controller.State().quitRequested &&
         controls_.ButtonLabel(ActionButton::Preview) == kLabelContinue) {
    const std::pair resume{controller.State().resumeTitle, controller.State().resumeChapter};
    // Continuing starts the stopped chapter again; if it stops again where it started, that
    // chapter alone is larger than the limit and would never get through.
    if (lastResume == resume)
      return Fail(
          Tr("chapter %1 of %2 alone is larger than the size limit", resume.second, TitleName(resume.first - 1)));
    lastResume = resume;
    controller.PreviewAction();
  }
  if (controller.State().quitRequested) return Fail(Tr("interrupted"), kExitInterrupted);
  if (controls_.ButtonLabel(ActionButton::Preview) == kLabelContinue) {
    const std::size_t title = controller.State().resumeTitle;
    return Fail(Tr("the size limit stopped %1 in chapter %2; --continue goes on in new files", TitleName(title - 1),
                   controller.State().resumeChapter));
  }
  if (report.Failed() > 0)
    return Fail(TrCount(report.Failed(), "%1 segment was not converted", "%1 segments were not converted"));
  if (report.Converted() == 0) return Fail(Tr("nothing to convert"));
  return kExitConverted;
}

int ConvertCommand::Run(SizeProbe sizeProbe) {
  if (private_.error())
    return Fail(Tr("cannot make a copy of the settings file %1 for this run: %2", private_.userFile().string(),
                   TrLower(private_.error().message())));
  if (std::string problem = CheckBeforeOpening(); !problem.empty()) return Fail(problem);
  // The files among the sources are looked at while the filters load and the first graph is built.
  for (const SourceArgument& source : options_.sources)
    if (!source.drive) looks_.Start(source.path);
  graph_.TakeLooksFrom(&looks_);
  LoadWindowStart(list_, controls_, profile_);
  current_.BuildAtStartUp(GraphVariant::Preview);
  if (graph_.State() == GraphState::NoGraph) return Fail(GraphProblem());
  if (const std::optional<int> stopped = AddSources()) return *stopped;
  if (std::string problem = CheckAgainstDisc(); !problem.empty()) return Fail(problem, kExitUsage);

  if (const std::error_code error = WriteOptions())
    return Fail(Tr("cannot write the settings file %1: %2", profile_.path().string(), TrLower(error.message())));
  ApplyOptionsToTitles();
  // The title shown is the one a single-title run converts.
  const int shown = static_cast<int>(options_.titles.empty() ? 0 : options_.titles.front() - 1);
  if (!options_.quiet && options_.titles.empty() && list_.TitleCount() > 1 &&
      settings::ReadNumber(profile_, keys::kBatch) != 1)
    streams_.err << "tarnconv: " << Tr("converting %1 only (Batch=0); --batch converts every title", TitleName(0))
                 << '\n';
  if (const std::error_code error = ClickTitle(list_, controls_, profile_, shown))
    return Fail(Tr("cannot write the settings file %1: %2", profile_.path().string(), TrLower(error.message())));
  if (!options_.quiet && settings::ReadNumber(profile_, keys::kOff) == 1)
    streams_.err << "tarnconv: "
                 << (options_.powerOff == true
                         ? Tr("the computer is powered off after a complete conversion (--poweroff)")
                         : Tr("the computer is powered off after a complete conversion (Off=1 in %1)",
                              userProfile_.path().string()))
                 << '\n';
  if (options_.verbose)
    streams_.err << "tarnconv: "
                 << Tr("settings from %1, on a copy for this run: %2", userProfile_.path().string(),
                       profile_.path().string())
                 << '\n';

  ConversionController controller(current_, controls_, list_, profile_, power_);
  controller.SetCounterFile(userProfile_);
  SegmentReport report(streams_.out, streams_.progressColumns,
                       options_.quiet     ? Detail::Quiet
                       : options_.verbose ? Detail::Verbose
                                          : Detail::Normal);
  if (SeveralSources()) {
    std::vector<std::string> sourceOfTitle;
    for (std::size_t position = 0; position < list_.TitleCount(); ++position)
      sourceOfTitle.push_back(list_.At(position)->source);
    report.NameSources(std::move(sourceOfTitle));
  }
  controller.SetObserver(&report);
  if (sizeProbe) controller.SetSizeProbe(std::move(sizeProbe));
  // Interrupted before the conversion began, unless the conversion sets another status.
  int status = kExitInterrupted;
  QTimer::singleShot(0, [&] {
    status = ConvertAndContinue(controller, report);
    report.PrintSummary();
    // A quit request has already ended the application's loop with its own code.
    if (!controller.State().quitRequested) QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
  return status;
}

}  // namespace

int RunConvertCommand(const ConvertOptions& options, PowerSwitch& power, ConsoleStreams streams, SizeProbe sizeProbe) {
  return ConvertCommand(options, power, streams).Run(std::move(sizeProbe));
}

}  // namespace tarn::conv
