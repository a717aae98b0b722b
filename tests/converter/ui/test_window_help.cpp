// Context help, balloon tips, the link areas and the about box of the main window.
#include <gtest/gtest.h>

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "converter/ui/about_dialog.h"
#include "converter/ui/balloon_tip.h"
#include "converter/ui/control_ids.h"
#include "window_test_support.h"

namespace tarn::conv {
namespace {

using testing::WindowTest;

QString PopupText(const ui::CHelpDlg& dialog) {
  const QFrame* popup = dialog.HelpPopup();
  if (popup == nullptr) return {};
  const QLabel* label = popup->findChild<QLabel*>();
  return label != nullptr ? label->text() : QString();
}

TEST_F(WindowTest, HelpExplainsEveryControlAndFallsBackForOneWithoutATopic) {
  OpenWindow({}, QStringLiteral(TARNCONV_HELP_FILE));
  ASSERT_TRUE(window_->HasHelp());
  ASSERT_NE(window_->HelpButton(), nullptr);
  const std::optional<ui::HelpTopics> topics = ui::HelpTopics::Load(QStringLiteral(TARNCONV_HELP_FILE));
  ASSERT_TRUE(topics);
  for (const QWidget* control : window_->findChildren<QWidget*>()) {
    const QVariant id = control->property(ui::kControlIdProperty);
    if (!id.isValid()) continue;
    EXPECT_TRUE(topics->Text(ui::HelpTopicNumber(ui::kMainDialogId, id.toInt()))) << id.toInt();
  }

  // F1 over the focused control pops its topic up.
  Control(ui::kConvertButton)->setFocus();
  QTest::keyClick(Control(ui::kConvertButton), Qt::Key_F1);
  ASSERT_NE(window_->HelpPopup(), nullptr);
  EXPECT_EQ(PopupText(*window_), *topics->Text(ui::HelpTopicNumber(ui::kMainDialogId, ui::kConvertButton)));
  window_->HelpPopup()->close();

  // The "?" button: the next click asks about the control under it instead of pressing it.
  window_->HelpButton()->click();
  ASSERT_TRUE(window_->InHelpMode());
  QWidget* open = Control(ui::kOpenButton);
  QTest::mouseClick(open, Qt::LeftButton, {}, open->rect().center());
  EXPECT_FALSE(window_->InHelpMode());
  EXPECT_TRUE(PopupText(*window_).startsWith(QStringLiteral("打开：")));
  window_->HelpPopup()->close();

  EXPECT_TRUE(window_->RequestHelp(4321, QPoint(10, 10)));
  EXPECT_EQ(PopupText(*window_), QString::fromLatin1(ui::kNoHelpTopicText));
}

TEST_F(WindowTest, WithoutTheHelpFileThereIsNoHelp) {
  OpenWindow({}, (folder_ / "missing.txt").c_str());
  EXPECT_FALSE(window_->HasHelp());
  EXPECT_EQ(window_->HelpButton(), nullptr);
  QTest::keyClick(Control(ui::kConvertButton), Qt::Key_F1);
  EXPECT_EQ(window_->HelpPopup(), nullptr);
  EXPECT_FALSE(window_->RequestHelp(ui::kConvertButton, QPoint(10, 10)));
}

TEST_F(WindowTest, ATipShowsAfterTheDelayAndGoesOnAClickOrWhenThePointerLeaves) {
  OpenWindow();
  ui::CBalloonTip& tip = window_->Balloon();
  QWidget* convert = Control(ui::kConvertButton);
  const auto hover = [convert] {
    const QPoint at = convert->rect().center();
    QCursor::setPos(convert->mapToGlobal(at));
    QTest::mouseMove(convert, at);
  };
  hover();
  QTest::qWait(ui::CBalloonTip::kShowDelayMs / 2);
  EXPECT_FALSE(tip.isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(tip.isVisible(), 2000);
  EXPECT_EQ(tip.CurrentText(), QStringLiteral("开始转换"));
  EXPECT_FALSE(tip.mask().isEmpty());
  // The pointer of the balloon is at the mouse.
  const QPoint cursor = QCursor::pos();
  EXPECT_EQ(tip.geometry().right() + 1 - 12, cursor.x());
  EXPECT_EQ(tip.geometry().bottom() + 1 - 10, cursor.y());

  QTest::mousePress(Control(ui::kTitleList)->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")),
                    Qt::LeftButton);
  EXPECT_FALSE(tip.isVisible());

  QTest::mouseMove(convert, convert->rect().center() + QPoint(1, 0));
  QCursor::setPos(convert->mapToGlobal(convert->rect().center() + QPoint(1, 0)));
  QTRY_VERIFY_WITH_TIMEOUT(tip.isVisible(), 2000);
  QCursor::setPos(window_->mapToGlobal(QPoint(2, 2)));
  QTRY_VERIFY_WITH_TIMEOUT(!tip.isVisible(), 2000);
}

class UrlCatcher : public QObject {
  Q_OBJECT
 public slots:
  void Open(const QUrl& url) { opened << url; }

 public:
  QList<QUrl> opened;
};

TEST_F(WindowTest, TheLinkAreasOpenTheirAddressesAndTheAboutBoxNamesTheProgram) {
  OpenWindow();
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
  QWidget* link = Control(ui::kLinkText);
  QTest::mouseClick(link, Qt::LeftButton, Qt::ShiftModifier, link->rect().center());  // not a plain click
  QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
  QWidget* hidden = Control(ui::kHiddenLink);
  QTest::mouseClick(hidden, Qt::LeftButton, {}, hidden->rect().center());
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  ASSERT_EQ(catcher.opened.size(), 2);
  EXPECT_NE(catcher.opened[0], catcher.opened[1]);

  bool aboutInMenu = false;
  for (const QAction* action : window_->findChild<QMenuBar*>()->findChildren<QAction*>())
    aboutInMenu |= action->data().toInt() == ui::kAboutCommand;
  EXPECT_TRUE(aboutInMenu);
  ui::CAboutDlg about(window_.get());
  QStringList texts;
  for (const QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
  EXPECT_TRUE(texts.join(u'|').contains(QStringLiteral("2005")));
  EXPECT_EQ(about.findChild<QPushButton*>()->text(), QStringLiteral("确定"));
  EXPECT_EQ(about.windowTitle(), QStringLiteral("关于"));
}

}  // namespace
}  // namespace tarn::conv

#include "test_window_help.moc"
