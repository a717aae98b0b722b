#include "run_test_support.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>

#include "converter/engine/window_start.h"
#include "formats/movie_trim.h"
#include "converter/engine/work_list_editing.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv::testing {

namespace fs = std::filesystem;

namespace {

// Discs authored by this program (when run by hand), removed when it ends.
struct AuthoredDiscs {
  std::optional<tarn::test::TempDir> folder;  // made on first need
  std::map<std::string, std::string> discs;
  std::string error;
};

AuthoredDiscs& Discs() {
  static AuthoredDiscs discs;
  return discs;
}

QCoreApplication& Application() {
  static int argc = 1;
  static char name[] = "test_converter_run";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  return application;
}

}  // namespace

std::string TestDisc(const std::string& kind) {
  AuthoredDiscs& authored = Discs();
  if (auto found = authored.discs.find(kind); found != authored.discs.end()) return found->second;
  // Under CTest a setup test has authored them for every test of the program.
  if (const char* given = std::getenv("TARNCONV_TEST_DISCS"); given != nullptr && *given != '\0') {
    const fs::path disc = fs::path(given) / kind;
    if (fs::exists(disc / "VIDEO_TS" / "VIDEO_TS.IFO")) return authored.discs[kind] = disc.string();
    authored.error =
        std::string("TARNCONV_TEST_DISCS=") + given + " holds no " + kind + " disc (did the setup test fail?)";
    return {};
  }
  if (!authored.folder) authored.folder.emplace("tarnconv-discs");
  const std::string disc = (authored.folder->path() / kind).string();
  const std::string command = std::string("'") + TARN_MAKE_TEST_DVD + "' '" + disc + "' " + kind + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char chunk[512];
  while (pipe != nullptr && std::fgets(chunk, sizeof chunk, pipe) != nullptr) output += chunk;
  if (pipe == nullptr || ::pclose(pipe) != 0) {
    authored.error = "authoring the " + kind + " test disc failed (ffmpeg and dvdauthor are needed):\n" + output;
    return {};
  }
  authored.discs[kind] = disc;
  return disc;
}

std::string DiscError() { return Discs().error; }

void RunInEventLoop(const std::function<void()>& action) {
  Application();
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    ADD_FAILURE() << "the action did not end within two minutes";
    QCoreApplication::exit(99);
  });
  watchdog.start(120000);
  QTimer::singleShot(0, [&action] {
    action();
    QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
}

void RecordingObserver::SegmentStarted(const SegmentInfo& segment) {
  started.push_back(
      {segment, list_.currentSource, settings::ReadText(profile_, settings::keys::kContrast.WithDefault("<absent>"))});
  if (onStart) onStart(segment);
}

void RecordingObserver::SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) {
  ended.push_back({segment, how, result});
}

void ConverterRig::SetUp() {
  ConverterFolderTest::SetUp();
  Application();
  fs::copy_file(fs::path(TARN_BUILD_DIR) / "filters.ini", filtersPath_);
  output_ = folder_ / "out";
  fs::create_directory(output_);
  Set(settings::keys::kSaveDir, (output_ / "").string());
  LoadWindowStart(list_, controls_, profile_);
  graph_ = std::make_unique<CDvdGraph>(windows_, [this](std::string_view text, std::string_view caption) {
    graphMessages_.push_back({std::string(text), std::string(caption)});
  });
  current_ = std::make_unique<CurrentGraph>(*graph_);
  current_->BuildAtStartUp(GraphVariant::Preview);
  controller_ = std::make_unique<ConversionController>(*current_, controls_, list_, profile_, power_);
  browser_ = std::make_unique<DiscBrowser>(*current_, controls_, list_, profile_);
  observer_ = std::make_unique<RecordingObserver>(list_, profile_);
  controller_->SetObserver(observer_.get());
}

void ConverterRig::TearDown() {
  browser_.reset();
  controller_.reset();
  current_.reset();
  graph_.reset();
  ConverterFolderTest::TearDown();
}

std::size_t ConverterRig::OpenDisc(const std::string& disc) {
  controls_.QueueSourceFile(disc);
  return browser_->Open();
}

void ConverterRig::TickOnly(std::size_t position, const std::vector<unsigned>& chapters) {
  const int row = static_cast<int>(position);
  TitleCheckChanged(list_, controls_, row, controls_.IsTitleChecked(row), true);
  controls_.SetTitleChecked(row, true);
  CTitleEntry& entry = *list_.At(position);
  entry.chapterSelection.fill(0);
  for (unsigned chapter : chapters) entry.chapterSelection[chapter - 1] = 1;
}

void ConverterRig::UntickTitle(std::size_t position) {
  const int row = static_cast<int>(position);
  TitleCheckChanged(list_, controls_, row, controls_.IsTitleChecked(row), false);
  controls_.SetTitleChecked(row, false);
}

void ConverterRig::Set(const settings::SettingKey& key, const std::string& value) {
  ASSERT_FALSE(settings::WriteText(profile_, key, value));
}

std::vector<std::string> ConverterRig::EndedMovieNames() const {
  std::vector<std::string> names;
  for (const EndedSegment& segment : observer_->ended) names.push_back(fs::path(segment.info.names.movie).filename());
  return names;
}

namespace {
int Word(const std::string& bytes, std::size_t offset) {
  return static_cast<unsigned char>(bytes[offset]) | static_cast<unsigned char>(bytes[offset + 1]) << 8;
}
}  // namespace

SoundHeader ReadSoundHeader(const fs::path& file) {
  const std::string bytes = ReadFileText(file);
  if (bytes.size() < 64 || bytes.compare(0, 4, "TMS1") != 0) return {};
  const auto u32 = [&](std::size_t at) {
    return static_cast<double>(static_cast<std::uint32_t>(Word(bytes, at)) |
                               static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16);
  };
  return {Word(bytes, 6), Word(bytes, 10), u32(20) / u32(12)};
}

double MovieSeconds(const fs::path& file) {
  const std::optional<std::vector<std::uint64_t>> ends = movie::RecordEnds(file.string());
  return ends ? static_cast<double>(ends->size()) / 10 : -1;
}

void ExpectPairEndsTogether(const fs::path& movie) {
  fs::path sound = movie;
  sound.replace_extension(".tms");
  const double movieSeconds = MovieSeconds(movie);
  EXPECT_GE(movieSeconds, 0) << movie;
  EXPECT_NEAR(ReadSoundHeader(sound).seconds, movieSeconds, 0.0001) << sound;
}

bool MovieFinished(const fs::path& file) {
  const std::string bytes = ReadFileText(file);
  return bytes.size() >= 512 && bytes.compare(0, 4, "Tarn") == 0;
}

}  // namespace tarn::conv::testing
