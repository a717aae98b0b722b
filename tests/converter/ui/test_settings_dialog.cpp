// The settings dialog as a user drives it: each page read from a prepared settings file, each
// control's stored value after a line, page or thumb move, the sliding tab control, and what
// the main window does with a confirm or a cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "converter/ui/advanced_dialog.h"
#include "converter/ui/balloon_tip.h"
#include "converter/ui/control_ids.h"
#include "converter/ui/handheld_preview.h"
#include "converter/ui/settings_page.h"
#include "converter/ui/settings_page_ids.h"
#include "converter/ui/slide_tab.h"
#include "tests/converter/run_test_support.h"
#include "window_test_support.h"

namespace tarn::conv {
namespace {

namespace keys = settings::keys;
using testing::WindowTest;

enum Tab { kOutput = 0, kVideo = 1, kAudio = 2, kRatio = 3 };

class SettingsDialogTest : public WindowTest {
 protected:
  ui::CAdvancedDlg& Dialog() {
    if (!dialog_) dialog_ = std::make_unique<ui::CAdvancedDlg>(profile_, prompts_, QStringLiteral(TARNCONV_HELP_FILE));
    return *dialog_;
  }
  template <typename Widget = QWidget>
  Widget* On(Tab tab, int id) {
    auto* widget = qobject_cast<Widget*>(Dialog().Page(tab)->Control(id));
    EXPECT_NE(widget, nullptr) << "page " << tab << " control " << id;
    return widget;
  }
  QScrollBar* Bar(Tab tab, int id) { return On<QScrollBar>(tab, id); }
  QString Box(Tab tab, int id) { return On<QLineEdit>(tab, id)->text(); }
  std::string Stored(const settings::SettingKey& key) const { return ReadKey(key.section, key.name); }
  // The thumb dragged to `position` and let go.
  static void Drag(QScrollBar* bar, int position) {
    bar->setSliderDown(true);
    bar->setSliderPosition(position);
    bar->setSliderDown(false);
  }
  static void PickInCombo(QComboBox* combo, int index) {
    combo->setFocus();
    while (combo->currentIndex() < index) QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > index) QTest::keyClick(combo, Qt::Key_Up);
  }

  std::unique_ptr<ui::CAdvancedDlg> dialog_;
};

TEST_F(SettingsDialogTest, OutputPageShowsItsKeysAndStoresClicksAndAChosenLinuxFolder) {
  Set(keys::kSaveDir, "C:\\");
  Set(keys::kOff, "1");
  Set(keys::kBatch, "7");  // neither 0 nor 1: the box stays as it was made
  using namespace ui::output_page;
  EXPECT_EQ(Box(kOutput, kFolderBox), QDir::homePath() + u'/');
  EXPECT_TRUE(On<QCheckBox>(kOutput, kPowerOffCheck)->isChecked());
  EXPECT_FALSE(On<QCheckBox>(kOutput, kBatchCheck)->isChecked());
  EXPECT_FALSE(On<QCheckBox>(kOutput, kJoinCheck)->isChecked());

  On<QCheckBox>(kOutput, kPowerOffCheck)->click();
  On<QCheckBox>(kOutput, kBatchCheck)->click();
  On<QCheckBox>(kOutput, kJoinCheck)->click();
  EXPECT_EQ(Stored(keys::kOff), "0");
  EXPECT_EQ(Stored(keys::kBatch), "1");
  EXPECT_EQ(Stored(keys::kCon), "1");

  // A cancelled browser changes nothing; a chosen folder gains its "/" and is stored as it is.
  On<QPushButton>(kOutput, kBrowseButton)->click();
  EXPECT_EQ(Stored(keys::kSaveDir), "C:\\");
  const QString chosen = QString::fromStdString((folder_ / "films\\2024").string());
  prompts_.folderAnswers.push_back(chosen);
  On<QPushButton>(kOutput, kBrowseButton)->click();
  ASSERT_EQ(prompts_.folderAsked.size(), 2u);
  EXPECT_EQ(prompts_.folderAsked[1], QDir::homePath() + u'/');
  EXPECT_EQ(Stored(keys::kSaveDir), chosen.toStdString() + "/");
  EXPECT_EQ(Box(kOutput, kFolderBox), chosen + u'/');
}

TEST_F(SettingsDialogTest, VideoPageBarsStoreTheirMappedPositions) {
  Set(keys::kContrast, "70");
  Set(keys::kBrightness, "150");  // shown clamped to its bar
  Set(keys::kEnhance, "10");      // S absent: the converter's 3
  using namespace ui::video_page;
  EXPECT_EQ(Box(kVideo, kContrastBox), "70");
  EXPECT_EQ(Box(kVideo, kBrightnessBox), "99");
  EXPECT_EQ(Box(kVideo, kSaturationBox), "6");
  EXPECT_EQ(Box(kVideo, kSharpeningBox), "0");

  Bar(kVideo, kContrastBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(Stored(keys::kContrast), "72");
  EXPECT_EQ(Box(kVideo, kContrastBox), "72");
  Bar(kVideo, kSaturationBar)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Stored(keys::kSaturation), "2");  // 9 - 7
  EXPECT_EQ(Box(kVideo, kSaturationBox), "7");
  // Tracking the thumb stores nothing; letting go stores 10 - position.
  QScrollBar* sharpening = Bar(kVideo, kSharpeningBar);
  sharpening->setSliderDown(true);
  sharpening->setSliderPosition(3);
  EXPECT_EQ(Stored(keys::kEnhance), "10");
  EXPECT_EQ(Box(kVideo, kSharpeningBox), "0");
  sharpening->setSliderDown(false);
  EXPECT_EQ(Stored(keys::kEnhance), "7");
  EXPECT_EQ(Box(kVideo, kSharpeningBox), "3");
  // Pages clamp at the ends.
  for (int i = 0; i < 5; ++i) Bar(kVideo, kSaturationBar)->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(Stored(keys::kSaturation), "8");

  Set(keys::kMode, "6");
  On<QPushButton>(kVideo, kGbaDefaultsButton)->click();
  EXPECT_EQ(Stored(keys::kContrast), "90");
  EXPECT_EQ(Stored(keys::kBrightness), "80");
  EXPECT_EQ(Stored(keys::kSaturation), "4");
  EXPECT_EQ(Stored(keys::kEnhance), "10");
  EXPECT_EQ(Bar(kVideo, kSaturationBar)->value(), 5);
  EXPECT_EQ(Box(kVideo, kBrightnessBox), "80");
  On<QPushButton>(kVideo, kNdsDefaultsButton)->click();
  EXPECT_EQ(Stored(keys::kContrast), "50");
  EXPECT_EQ(Stored(keys::kBrightness), "50");
  EXPECT_EQ(Stored(keys::kSaturation), "8");
  EXPECT_EQ(Stored(keys::kEnhance), "10");
  EXPECT_EQ(Box(kVideo, kSaturationBox), "1");
  EXPECT_EQ(Stored(keys::kMode), "6");
}

TEST_F(SettingsDialogTest, VideoPageModeFollowsTheTargetRadiosAndTheQualityCombo) {
  using namespace ui::video_page;
  {
    // An absent Mode and the NDS radio: the file says 4, as the radio now shows.
    EXPECT_TRUE(On<QRadioButton>(kVideo, kGbaRadio)->isChecked());
    On<QRadioButton>(kVideo, kNdsRadio)->click();
    EXPECT_EQ(Stored(keys::kMode), "4");
  }
  dialog_.reset();
  Set(keys::kMode, "5");
  EXPECT_TRUE(On<QRadioButton>(kVideo, kNdsRadio)->isChecked());
  EXPECT_EQ(On<QComboBox>(kVideo, kModeCombo)->currentText(), QStringLiteral("高"));
  EXPECT_EQ(On<QComboBox>(kVideo, kModeCombo)->count(), 4);

  PickInCombo(On<QComboBox>(kVideo, kModeCombo), 2);
  EXPECT_EQ(Stored(keys::kMode), "6");
  On<QRadioButton>(kVideo, kGbaRadio)->click();
  EXPECT_EQ(Stored(keys::kMode), "2");
  On<QRadioButton>(kVideo, kGbaRadio)->click();  // already GBA: stays
  EXPECT_EQ(Stored(keys::kMode), "2");
  On<QRadioButton>(kVideo, kNdsRadio)->click();
  EXPECT_EQ(Stored(keys::kMode), "6");
  On<QRadioButton>(kVideo, kGbaRadio)->click();
  PickInCombo(On<QComboBox>(kVideo, kModeCombo), 3);
  EXPECT_EQ(Stored(keys::kMode), "3");
}

TEST_F(SettingsDialogTest, AudioPageStoresChannelModeAndVolume) {
  Set(keys::kChannel, "1");
  Set(keys::kMusicMode, "2");
  using namespace ui::audio_page;
  EXPECT_TRUE(On<QRadioButton>(kAudio, kRightRadio)->isChecked());
  EXPECT_EQ(On<QComboBox>(kAudio, kModeCombo)->currentText(), QStringLiteral("32:1单声道"));
  EXPECT_EQ(Box(kAudio, kVolumeBox), "50");

  On<QRadioButton>(kAudio, kLeftRadio)->click();
  EXPECT_EQ(Stored(keys::kChannel), "0");
  On<QRadioButton>(kAudio, kRightRadio)->click();
  EXPECT_EQ(Stored(keys::kChannel), "1");
  PickInCombo(On<QComboBox>(kAudio, kModeCombo), 0);
  EXPECT_EQ(Stored(keys::kMusicMode), "0");
  Bar(kAudio, kVolumeBar)->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(Stored(keys::kVolumeEx), "46");
  Drag(Bar(kAudio, kVolumeBar), 100);
  EXPECT_EQ(Stored(keys::kVolumeEx), "100");
  EXPECT_EQ(Box(kAudio, kVolumeBox), "100");
}

TEST_F(SettingsDialogTest, PicturePageStoresEighthsAndShowsTheArea) {
  Set(keys::kChangeScale, "1");
  using namespace ui::ratio_page;
  EXPECT_EQ(Box(kRatio, kWidthBox), "240");
  EXPECT_EQ(Box(kRatio, kHeightBox), "160");
  EXPECT_EQ(Box(kRatio, kAreaBox), "100.000000");
  EXPECT_TRUE(On<QCheckBox>(kRatio, kChangeScaleCheck)->isChecked());
  EXPECT_FALSE(On<QCheckBox>(kRatio, kFullOutCheck)->isEnabled());

  // An arbitrary thumb position is stored truncated to eighths and shown as it is.
  Drag(Bar(kRatio, kWidthBar), 203);
  EXPECT_EQ(Stored(keys::kImageH), "25");
  EXPECT_EQ(Box(kRatio, kWidthBox), "203");
  Drag(Bar(kRatio, kWidthBar), 360);
  Bar(kRatio, kHeightBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  Bar(kRatio, kHeightBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(Stored(keys::kImageV), "24");
  Bar(kRatio, kHeightBar)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Stored(keys::kImageV), "25");
  for (int i = 0; i < 4; ++i) Bar(kRatio, kHeightBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(Stored(keys::kImageH), "45");
  EXPECT_EQ(Stored(keys::kImageV), "30");
  EXPECT_EQ(Box(kRatio, kAreaBox), "225.000000");

  On<QCheckBox>(kRatio, kChangeScaleCheck)->click();
  EXPECT_EQ(Stored(keys::kChangeScale), "0");
  EXPECT_TRUE(On<QCheckBox>(kRatio, kFullOutCheck)->isEnabled());
  On<QCheckBox>(kRatio, kFullOutCheck)->click();
  EXPECT_EQ(Stored(keys::kFullOut), "1");
  On<QCheckBox>(kRatio, kChangeScaleCheck)->click();
  EXPECT_FALSE(On<QCheckBox>(kRatio, kFullOutCheck)->isEnabled());
}

TEST_F(SettingsDialogTest, ANewPageSlidesInFromTheLeftAndEveryControlHasHelpAndItsTip) {
  ui::CSlideTab& tabs = Dialog().Tabs();
  Dialog().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Dialog()));
  const QStringList labels{"输出设置", "视频", "音频", "内部设置"};
  ASSERT_EQ(tabs.Tabs()->count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tabs.Tabs()->tabText(i), labels[i]);
  EXPECT_EQ(tabs.Page(0)->pos(), ui::CSlideTab::kPagePlace);
  EXPECT_FALSE(tabs.Page(2)->isVisible());

  tabs.SetCurrentIndex(2);
  QWidget* page = tabs.Page(2);
  EXPECT_FALSE(tabs.Page(0)->isVisible());
  EXPECT_TRUE(page->isVisible());
  EXPECT_EQ(page->pos(), QPoint(4 - page->width(), 28));
  QTRY_VERIFY(page->x() > 4 - page->width());
  EXPECT_EQ((page->x() - 4 + page->width()) % ui::CSlideTab::kSlideStepPx, 0);
  QTRY_VERIFY(!tabs.IsSliding());
  EXPECT_EQ(page->pos(), ui::CSlideTab::kPagePlace);

  const std::optional<ui::HelpTopics> topics = ui::HelpTopics::Load(QStringLiteral(TARNCONV_HELP_FILE));
  ASSERT_TRUE(topics);
  const int dialogIds[] = {ui::kOutputPageId, ui::kVideoPageId, ui::kAudioPageId, ui::kRatioPageId};
  for (int tab = 0; tab < 4; ++tab) {
    ui::CSettingsPage* settingsPage = Dialog().Page(tab);
    EXPECT_TRUE(settingsPage->HasHelp());
    for (const QWidget* control : settingsPage->findChildren<QWidget*>()) {
      const QVariant id = control->property(ui::kControlIdProperty);
      if (!id.isValid()) continue;
      EXPECT_TRUE(topics->Text(ui::HelpTopicNumber(dialogIds[tab], id.toInt()))) << tab << ":" << id.toInt();
    }
  }
  // F1 on a page's control explains it from the page's topics.
  tabs.SetCurrentIndex(kRatio);
  QTRY_VERIFY(!tabs.IsSliding());
  QWidget* width = Dialog().Page(kRatio)->Control(ui::ratio_page::kWidthBar);
  width->setFocus();
  QTest::keyClick(width, Qt::Key_F1);
  ASSERT_NE(Dialog().Page(kRatio)->HelpPopup(), nullptr);
  const QLabel* topic = Dialog().Page(kRatio)->HelpPopup()->findChild<QLabel*>();
  ASSERT_NE(topic, nullptr);
  EXPECT_EQ(topic->text(), *topics->Text(ui::HelpTopicNumber(ui::kRatioPageId, ui::ratio_page::kWidthBar)));
  Dialog().Page(kRatio)->HelpPopup()->close();

  // A tip appears over a control after the pointer rests on it.
  QWidget* volume = Dialog().Page(kAudio)->Control(ui::audio_page::kVolumeBar);
  tabs.SetCurrentIndex(kAudio);
  QTRY_VERIFY(!tabs.IsSliding());
  QTest::mouseMove(volume, volume->rect().center());
  QTRY_COMPARE_WITH_TIMEOUT(Dialog().Page(kAudio)->Balloon().CurrentText(), QStringLiteral("设置音量"), 3000);
}

// The main window runs the dialog; a test answers it once it is up.
void WhenDialogOpens(std::function<void(ui::CAdvancedDlg&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* dialog = qobject_cast<ui::CAdvancedDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

TEST_F(SettingsDialogTest, CancelKeepsWhatWasWrittenAndConfirmMarksTheShownTitle) {
  const std::string disc = testing::TestDisc("ntsc");
  ASSERT_FALSE(disc.empty()) << testing::DiscError();
  OpenWindow(QString::fromStdString(disc));
  window_->List().settingsDirty = false;
  const std::string elsewhere = (folder_ / "elsewhere/").string();

  WhenDialogOpens([&](ui::CAdvancedDlg& dialog) {
    qobject_cast<QScrollBar*>(dialog.Page(kVideo)->Control(ui::video_page::kContrastBar))
        ->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    (void)settings::WriteText(profile_, keys::kSaveDir, elsewhere);
    qobject_cast<QPushButton*>(dialog.Control(ui::kCancelButton))->click();
  });
  Press(ui::kAdvancedButton);
  EXPECT_EQ(Stored(keys::kContrast), "61");
  EXPECT_FALSE(window_->List().settingsDirty);
  EXPECT_NE(window_->List().outputFolder, elsewhere);

  WhenDialogOpens([](ui::CAdvancedDlg& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("高级设置"));
    EXPECT_EQ(qobject_cast<QPushButton*>(dialog.Control(ui::kConfirmButton))->text(), QStringLiteral("确认"));
    qobject_cast<QPushButton*>(dialog.Control(ui::kConfirmButton))->click();
  });
  Press(ui::kAdvancedButton);
  EXPECT_TRUE(window_->List().settingsDirty);
  EXPECT_EQ(window_->List().outputFolder, elsewhere);
}

// Beside the pages, the handheld's screen: a frame of the title prepared with the settings as
// they stand, redrawn once the writes of a change are done; a sample picture without a frame.
TEST_F(SettingsDialogTest, TheHandheldPreviewPreparesTheFrameWithEachChange) {
  QImage frame(720, 480, QImage::Format_RGB32);
  frame.fill(QColor(96, 96, 96));
  dialog_ = std::make_unique<ui::CAdvancedDlg>(profile_, prompts_, QStringLiteral(TARNCONV_HELP_FILE), nullptr, frame);
  const ui::CHandheldPreview& preview = Dialog().Preview();
  ASSERT_TRUE(preview.ShowsTitleFrame());
  ASSERT_EQ(preview.Screen().size(), QSize(240, 160));
  const auto grey = [&](int x, int y) { return qGray(preview.Screen().pixel(x, y)); };
  const int before = grey(120, 80);
  EXPECT_GT(before, 48);

  Drag(Bar(kVideo, ui::video_page::kBrightnessBar), 99);
  EXPECT_EQ(grey(120, 80), before);
  QApplication::processEvents();
  EXPECT_GT(grey(120, 80), before + 20);

  // A narrower picture leaves the screen's sides black.
  EXPECT_GT(grey(2, 80), 0);
  Drag(Bar(kRatio, ui::ratio_page::kWidthBar), 120);
  QApplication::processEvents();
  EXPECT_EQ(grey(2, 80), 0);
  EXPECT_GT(grey(120, 80), before + 20);

  const ui::CAdvancedDlg sample(profile_, prompts_, QStringLiteral(TARNCONV_HELP_FILE));
  EXPECT_FALSE(sample.Preview().ShowsTitleFrame());
  // The 120 pixels wide picture just chosen, bars over its top half: white on the left, blue on the right.
  EXPECT_NE(sample.Preview().Screen().pixel(70, 60), sample.Preview().Screen().pixel(170, 60));
}

}  // namespace
}  // namespace tarn::conv
