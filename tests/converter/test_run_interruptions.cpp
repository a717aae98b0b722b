// Runs that do not simply play out: the size limit with its exact stopping point and the
// continuation after it (also in a batch), an abort followed by a complete run, a quit request
// of the application, and when each of them powers the computer off.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include "converter/engine/output_size_poll.h"
#include "media/registry/FilterRegistry.h"
#include "converter/engine/sound_end.h"
#include "converter/engine/window_start.h"
#include "base/conversion_lock.h"
#include "converter/settings/converter_settings.h"
#include "run_test_support.h"

namespace tarn::conv {
namespace {

namespace keys = settings::keys;
using testing::ConverterRig;
using testing::DiscError;
using testing::MovieFinished;
using testing::TestDisc;
using Names = std::vector<std::string>;

class RunInterruptionTest : public ConverterRig {
 protected:
  void OpenLong(std::size_t times = 1) {
    const std::string disc = TestDisc("long");
    ASSERT_FALSE(disc.empty()) << DiscError();
    for (std::size_t i = 0; i < times; ++i) ASSERT_EQ(OpenDisc(disc), 1u);
  }
};

// The test disc writes far less than the smallest limit (4 MiB), so the byte counts the size
// poll sees are given here; everything else is the real conversion.
TEST_F(RunInterruptionTest, TheSizeLimitStopsAtTheFirstPollAboveItsMarginAndContinueConvertsTheChapterAgain) {
  Set(keys::kLimitSize, "4194304");
  Set(keys::kOff, "1");
  LoadWindowStart(list_, controls_, profile_);
  OpenLong();
  TickOnly(0, {1, 2, 3, 4, 5, 6});
  Set(keys::kCon, "1");  // one long segment, so that it cannot end before the third poll
  // 4 MiB - 100 KiB = 4091904: equal is not above it, nor 4092927 (3996 whole KiB); 3997 KiB is.
  const std::vector<std::int64_t> counts = {4091904, 4092927, 4092928};
  std::size_t polls = 0;
  controller_->SetSizeProbe([&] { return counts[std::min(polls++, counts.size() - 1)]; });
  PressConvert();

  ASSERT_EQ(observer_->ended.size(), 1u);
  EXPECT_EQ(observer_->ended[0].how, SegmentEnd::SizeLimit);
  EXPECT_EQ(polls, 3u);
  const ChapterResult& result = list_.At(0)->results[0];
  EXPECT_EQ(result.sizeKiB, "3997");
  EXPECT_EQ(result.movieFile, (output_ / "001001.tmv").string());
  EXPECT_TRUE(MovieFinished(output_ / "001001.tmv"));  // stopped, so the encoder finished it
  // The sound, decoded ahead of the pictures, ends where the movie does, not with the run.
  testing::ExpectPairEndsTogether(output_ / "001001.tmv");
  // Where the last poll came too late, the pair is cut back to fit the limit on disk: records
  // from the movie's end, and the sound with them.
  const std::int64_t pair = static_cast<std::int64_t>(std::filesystem::file_size(output_ / "001001.tmv") +
                                                      std::filesystem::file_size(output_ / "001001.tms"));
  const std::string audioLibrary = FindEncoderLibraries(media::FilterRegistry()).audio;
  EXPECT_EQ(EndSoundWithMovie(audioLibrary, (output_ / "001001.tmv").string(), (output_ / "001001.tms").string(),
                              pair - 100000),
            "");
  EXPECT_LE(std::filesystem::file_size(output_ / "001001.tmv") + std::filesystem::file_size(output_ / "001001.tms"),
            static_cast<std::uintmax_t>(pair - 100000));
  testing::ExpectPairEndsTogether(output_ / "001001.tmv");
  EXPECT_EQ(controls_.CurrentSizeText(), "0");
  EXPECT_EQ(Label(ActionButton::Preview), kLabelContinue);
  EXPECT_TRUE(controls_.IsButtonEnabled(ActionButton::Preview));
  EXPECT_EQ(Label(ActionButton::Convert), kLabelAbort);
  const unsigned resume = controller_->State().resumeChapter;
  EXPECT_EQ(controller_->State().resumeTitle, 1u);
  ASSERT_GE(resume, 1u);
  ASSERT_LE(resume, 6u);
  EXPECT_EQ(power_.requests, 0);

  controller_->SetSizeProbe([] { return std::int64_t{0}; });
  PressPreview();  // "继续"
  ASSERT_EQ(observer_->ended.size(), 2u);
  const testing::EndedSegment& continued = observer_->ended[1];
  EXPECT_EQ(continued.how, SegmentEnd::PlayedOut);
  EXPECT_EQ(continued.info.firstChapter, resume);
  EXPECT_EQ(continued.info.chapterCount, 7 - resume);
  char name[32];
  std::snprintf(name, sizeof name, "0000101%03u.tmv", resume);
  EXPECT_EQ(EndedMovieNames()[1], name);  // the next counter and the interrupted chapter
  EXPECT_EQ(Label(ActionButton::Preview), kLabelPreview);
  EXPECT_FALSE(controls_.IsButtonEnabled(ActionButton::Preview));
  EXPECT_EQ(power_.requests, 0);  // never after a continued run
  PressConvert();                 // "中止"
  EXPECT_EQ(power_.requests, 0);
}

TEST_F(RunInterruptionTest, AContinuedBatchStartsAtTheStoppedChapterAndAtChapterOneOfLaterTitles) {
  Set(keys::kOff, "1");
  OpenLong(2);
  TickOnly(0, {1, 2, 3});
  TickOnly(1, {1, 2});
  Set(keys::kBatch, "1");
  bool armed = false;
  observer_->onStart = [&](const SegmentInfo& segment) {
    armed = segment.titlePosition == 0 && segment.firstChapter == 2 && observer_->started.size() == 2;
  };
  controller_->SetSizeProbe([&] { return armed ? std::int64_t{1} << 30 : 0; });
  PressConvert();
  ASSERT_EQ(EndedMovieNames(), (Names{"001001.tmv", "0000101002.tmv"}));
  EXPECT_EQ(observer_->ended[1].how, SegmentEnd::SizeLimit);
  EXPECT_EQ(controller_->State().resumeTitle, 1u);
  EXPECT_EQ(controller_->State().resumeChapter, 2u);
  EXPECT_EQ(list_.At(0)->results[1].movieFile, (output_ / "0000101002.tmv").string());
  EXPECT_EQ(Label(ActionButton::Preview), kLabelContinue);

  PressPreview();  // "继续"
  EXPECT_EQ(EndedMovieNames(), (Names{"001001.tmv", "0000101002.tmv", "0000201002.tmv", "0000301003.tmv",
                                      "0000401001.tmv", "0000501002.tmv"}));
  EXPECT_EQ(observer_->started[4].info.titlePosition, 1u);
  // The continued chapter's slot holds its new file pair.
  EXPECT_EQ(list_.At(0)->results[1].movieFile, (output_ / "0000201002.tmv").string());
  EXPECT_EQ(power_.requests, 0);
}

TEST_F(RunInterruptionTest, AnAbortedRunNeverPowersOffAndASecondRunThenPlaysToItsEnd) {
  Set(keys::kOff, "1");
  OpenLong();
  TickOnly(0, {1, 2, 3});
  // The user presses "中止" while chapter 2 plays.
  observer_->onStart = [this](const SegmentInfo& segment) {
    if (segment.firstChapter == 2) QTimer::singleShot(0, [this] { controller_->ConvertAction(); });
  };
  PressConvert();
  ASSERT_EQ(observer_->ended.size(), 2u);
  EXPECT_EQ(observer_->ended[0].how, SegmentEnd::PlayedOut);
  EXPECT_EQ(observer_->ended[1].how, SegmentEnd::Aborted);
  EXPECT_TRUE(MovieFinished(observer_->ended[1].info.names.movie));
  testing::ExpectPairEndsTogether(observer_->ended[1].info.names.movie);
  EXPECT_FALSE(list_.At(0)->results[1].empty());  // the aborted segment's result is kept
  EXPECT_EQ(Label(ActionButton::Convert), kLabelConvert);
  EXPECT_EQ(Label(ActionButton::Preview), kLabelPreview);
  EXPECT_TRUE(controls_.IsButtonEnabled(ActionButton::Preview));
  EXPECT_EQ(power_.requests, 0);

  observer_->onStart = nullptr;
  observer_->ended.clear();
  PressConvert();
  ASSERT_EQ(observer_->ended.size(), 3u);
  for (const testing::EndedSegment& segment : observer_->ended) EXPECT_EQ(segment.how, SegmentEnd::PlayedOut);
  EXPECT_EQ(power_.requests, 1);  // complete, with Off = 1
  PressConvert();                 // "中止" after a run that ended by itself
  EXPECT_EQ(power_.requests, 1);
  EXPECT_EQ(Label(ActionButton::Convert), kLabelConvert);
}

TEST_F(RunInterruptionTest, ASecondConversionWithTheSameSettingsFileIsRefusedNamingTheFirst) {
  Set(keys::kOff, "1");
  OpenLong();
  TickOnly(0, {1});
  {
    const settings::ConversionLock running(profile_.path(), "tarnconv, converting /media/dvd");
    ASSERT_TRUE(running.held());
    PressConvert();
    EXPECT_TRUE(observer_->started.empty());
    ASSERT_FALSE(controls_.Messages().empty());
    EXPECT_NE(controls_.Messages().back().text.find("(process " + std::to_string(::getpid()) +
                                                    ": tarnconv, converting /media/dvd)"),
              std::string::npos)
        << controls_.Messages().back().text;
    EXPECT_EQ(Label(ActionButton::Convert), kLabelConvert);
    EXPECT_EQ(power_.requests, 0);
  }
  PressConvert();
  ASSERT_EQ(observer_->ended.size(), 1u);
  EXPECT_EQ(power_.requests, 1);
  EXPECT_EQ(observer_->ended[0].how, SegmentEnd::PlayedOut);
  EXPECT_FALSE(std::filesystem::exists(settings::ConversionLockPath(profile_.path())));
}

TEST_F(RunInterruptionTest, AQuitRequestEndsTheRunAtOnceAndStillEndsTheApplication) {
  Set(keys::kOff, "1");
  OpenLong();
  TickOnly(0, {1, 2, 3});
  observer_->onStart = [](const SegmentInfo& segment) {
    if (segment.firstChapter == 2) QTimer::singleShot(0, [] { QCoreApplication::exit(5); });
  };
  bool actionReturned = false;
  QTimer::singleShot(0, [&] {
    controller_->ConvertAction();
    actionReturned = true;
  });
  EXPECT_EQ(QCoreApplication::exec(), 5);
  EXPECT_TRUE(actionReturned);
  ASSERT_EQ(observer_->ended.size(), 2u);
  EXPECT_EQ(observer_->ended[1].how, SegmentEnd::Aborted);
  EXPECT_TRUE(MovieFinished(observer_->ended[1].info.names.movie));
  testing::ExpectPairEndsTogether(observer_->ended[1].info.names.movie);
  EXPECT_EQ(observer_->started.size(), 2u);
  EXPECT_TRUE(controller_->State().abortRequested);
  EXPECT_TRUE(controller_->State().quitRequested);
  EXPECT_EQ(power_.requests, 0);
}

TEST_F(RunInterruptionTest, PreviewButtonsAndTheWindowThatMustBeClosedBeforeSwitchingGraphs) {
  const std::string disc = TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << DiscError();
  ASSERT_EQ(OpenDisc(disc), 2u);
  TickOnly(1, {1});
  QTimer stop;
  stop.setSingleShot(true);
  std::string convertLabel;
  bool convertEnabled = true;
  QObject::connect(&stop, &QTimer::timeout, [&] {
    convertLabel = Label(ActionButton::Convert);
    convertEnabled = controls_.IsButtonEnabled(ActionButton::Convert);
    controller_->PreviewAction();  // "中止"
  });
  testing::RunInEventLoop([&] {
    stop.start(300);
    controller_->PreviewAction();
  });
  if (stop.isActive()) {  // the preview ended by itself first
    stop.stop();
    convertLabel = Label(ActionButton::Convert);
    convertEnabled = controls_.IsButtonEnabled(ActionButton::Convert);
    PressPreview();
  }
  EXPECT_EQ(convertLabel, kLabelConvert);
  EXPECT_FALSE(convertEnabled);
  EXPECT_EQ(Label(ActionButton::Preview), kLabelPreview);
  EXPECT_TRUE(controls_.IsButtonEnabled(ActionButton::Convert));
  EXPECT_TRUE(observer_->started.empty());  // a preview writes nothing
  EXPECT_TRUE(std::filesystem::is_empty(output_));

  // The preview's window is still open: no conversion.
  PressConvert();
  ASSERT_EQ(controls_.Messages().size(), 1u);
  EXPECT_EQ(controls_.Messages()[0].text, "请关闭预览窗口，再进行转换");
  EXPECT_EQ(controls_.Messages()[0].caption, "警告");
  EXPECT_EQ(Label(ActionButton::Convert), kLabelConvert);
  EXPECT_TRUE(current_->Is(GraphVariant::Preview));

  static_cast<HeadlessEventWindow*>(graph_->VideoWindow())->Close();
  PressConvert();
  EXPECT_TRUE(current_->Is(GraphVariant::Conversion));
  EXPECT_EQ(EndedMovieNames(), Names{"002001.tmv"});
  PressConvert();  // "中止"
  PressPreview();
  ASSERT_EQ(controls_.Messages().size(), 2u);
  EXPECT_EQ(controls_.Messages()[1].text, "请关闭转换窗口，再进行预览");
  EXPECT_TRUE(current_->Is(GraphVariant::Conversion));
  EXPECT_EQ(Label(ActionButton::Preview), kLabelPreview);
}

}  // namespace
}  // namespace tarn::conv
