// What the tests of runs, the disc browser and the command line share: discs authored once per
// test program, the application's event loop, a power switch that only counts, and a rig of
// the window's parts (controls in memory, work list, graph with a headless window, controller,
// disc browser) over private settings and a copy of the build's filter registry.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "converter/engine/conversion_controller.h"
#include "converter/engine/disc_browser.h"
#include "converter/engine/memory_controls.h"
#include "converter/graph/headless_event_window.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv::testing {

// The disc folder of a test disc ("ntsc", "pal", "long"): from $TARNCONV_TEST_DISCS, where a
// setup test authored them, else authored on first use; "" when that failed, with the reason in
// DiscError().
std::string TestDisc(const std::string& kind);
std::string DiscError();

// Runs `action` inside the application's event loop, as a button press is handled. A test that
// hangs fails after two minutes instead of blocking the suite.
void RunInEventLoop(const std::function<void()>& action);

class CountingSwitch final : public PowerSwitch {
 public:
  bool PowerOff() override {
    ++requests;
    return true;
  }
  int requests = 0;
};

struct StartedSegment {
  SegmentInfo info;
  std::string source;    // the source opened for it
  std::string contrast;  // Contrast in the settings file when the encoders read it
};

struct EndedSegment {
  SegmentInfo info;
  SegmentEnd how = SegmentEnd::PlayedOut;
  ChapterResult result;
};

class RecordingObserver final : public RunObserver {
 public:
  RecordingObserver(const WorkList& list, const settings::ProfileFile& profile) : list_(list), profile_(profile) {}
  void SegmentStarted(const SegmentInfo& segment) override;
  void SegmentEnded(const SegmentInfo& segment, SegmentEnd how, const ChapterResult& result) override;

  std::vector<StartedSegment> started;
  std::vector<EndedSegment> ended;
  std::function<void(const SegmentInfo&)> onStart;  // a user's action at a segment's start

 private:
  const WorkList& list_;
  const settings::ProfileFile& profile_;
};

class ConverterRig : public ConverterFolderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds the titles of a disc through the Open button.
  std::size_t OpenDisc(const std::string& disc);
  // Button presses, each handled in the event loop.
  void PressConvert() {
    RunInEventLoop([this] { controller_->ConvertAction(); });
  }
  void PressPreview() {
    RunInEventLoop([this] { controller_->PreviewAction(); });
  }
  // Ticks exactly `chapters` of the title at `position` (and the title itself).
  void TickOnly(std::size_t position, const std::vector<unsigned>& chapters);
  void UntickTitle(std::size_t position);
  // Writes a key of [SaveMovie] or [AudioOut].
  void Set(const settings::SettingKey& key, const std::string& value);
  // The movie file names the run ended, without their folder.
  std::vector<std::string> EndedMovieNames() const;
  std::string Label(ActionButton button) const { return controls_.ButtonLabel(button); }

  std::filesystem::path output_;
  MemoryControls controls_;
  WorkList list_;
  HeadlessEventWindowFactory windows_;
  std::vector<MemoryControls::Message> graphMessages_;
  std::unique_ptr<CDvdGraph> graph_;
  std::unique_ptr<CurrentGraph> current_;
  std::unique_ptr<ConversionController> controller_;
  std::unique_ptr<DiscBrowser> browser_;
  std::unique_ptr<RecordingObserver> observer_;
  CountingSwitch power_;
};

// The MusicMode and channel count in a finished sound file's header; -1 when unfinished.
struct SoundHeader {
  int musicMode = -1;
  int channels = -1;
  double seconds = -1;  // sample frames / rate
};
SoundHeader ReadSoundHeader(const std::filesystem::path& file);
// True when the movie file's header was written (the encoder finished it), records or not.
bool MovieFinished(const std::filesystem::path& file);
// How long a movie file plays: ten records a second; -1 when it cannot be read.
double MovieSeconds(const std::filesystem::path& file);
// The sound must end where the movie ends, to the sample.
void ExpectPairEndsTogether(const std::filesystem::path& movie);

}  // namespace tarn::conv::testing
