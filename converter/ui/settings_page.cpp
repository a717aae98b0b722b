#include "converter/ui/settings_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>

#include "converter/ui/balloon_tip.h"
#include "converter/ui/control_ids.h"

namespace tarn::conv::ui {

namespace {

template <typename Widget>
Widget* Numbered(Widget* widget, int id) {
  widget->setProperty(kControlIdProperty, id);
  return widget;
}

constexpr int kBarWidth = 200;

}  // namespace

QString NumberText(int value) { return QString::number(value); }

CSettingsPage::CSettingsPage(int dialogId, settings::ProfileFile profile, const QString& helpFile, QWidget* parent)
    : CHelpDlg(dialogId, helpFile, parent), profile_(std::move(profile)), balloon_(new CBalloonTip(this)) {
  // A child of the tab control, not a window of its own.
  setWindowFlags(Qt::Widget);
}

QWidget* CSettingsPage::Control(int id) const {
  for (QWidget* child : findChildren<QWidget*>())
    if (child->property(kControlIdProperty).toInt() == id) return child;
  return nullptr;
}

void CSettingsPage::WriteNumber(const settings::SettingKey& key, std::int64_t value) {
  (void)settings::WriteNumber(profile_, key, value);
  emit SettingWritten();
}

void CSettingsPage::WriteText(const settings::SettingKey& key, std::string_view value) {
  (void)settings::WriteText(profile_, key, value);
  emit SettingWritten();
}

QPushButton* CSettingsPage::NewButton(const char* text, int id) {
  auto* button = Numbered(new QPushButton(QString::fromUtf8(text), this), id);
  button->setAutoDefault(false);
  return button;
}

QCheckBox* CSettingsPage::NewCheck(const char* text, int id) {
  return Numbered(new QCheckBox(QString::fromUtf8(text), this), id);
}

QRadioButton* CSettingsPage::NewRadio(const char* text, int id) {
  return Numbered(new QRadioButton(QString::fromUtf8(text), this), id);
}

QComboBox* CSettingsPage::NewCombo(int id, std::initializer_list<const char*> items) {
  auto* combo = Numbered(new QComboBox(this), id);
  for (const char* item : items) combo->addItem(QString::fromUtf8(item));
  return combo;
}

QLineEdit* CSettingsPage::NewNumberBox(int id, const char* widest) {
  auto* box = Numbered(new QLineEdit(this), id);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignRight);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString::fromLatin1(widest)) + 12);
  return box;
}

QScrollBar* CSettingsPage::NewBar(int id, int min, int max, int line, int page, std::function<void(int)> onScroll) {
  auto* bar = Numbered(new QScrollBar(Qt::Horizontal, this), id);
  bar->setRange(min, max);
  bar->setSingleStep(line);
  bar->setPageStep(page);
  bar->setTracking(false);
  bar->setMinimumWidth(kBarWidth);
  connect(bar, &QScrollBar::valueChanged, this, std::move(onScroll));
  return bar;
}

void CSettingsPage::CheckFromKey(QCheckBox* box, const settings::SettingKey& key) const {
  const std::int32_t value = settings::ReadNumber(profile_, key);
  if (value == 0 || value == 1) box->setChecked(value == 1);
}

void CSettingsPage::AddTips(std::initializer_list<std::pair<int, const char*>> tips) {
  for (const auto& [id, text] : tips) {
    QWidget* control = Control(id);
    if (control == nullptr) continue;
    balloon_->AddTip(control, QString::fromUtf8(text));
    control->installEventFilter(this);
    for (QWidget* child : control->findChildren<QWidget*>()) child->installEventFilter(this);
  }
}

void CSettingsPage::FinishLayout(QGridLayout* grid) {
  if (HelpButton() != nullptr) grid->addWidget(HelpButton(), 0, grid->columnCount(), Qt::AlignRight | Qt::AlignTop);
  adjustSize();
  setFixedSize(sizeHint());
}

bool CSettingsPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != this) balloon_->RelayEvent(watched, event);
  return CHelpDlg::eventFilter(watched, event);
}

void CSettingsPage::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
    event->ignore();
    return;
  }
  CHelpDlg::keyPressEvent(event);
}

}  // namespace tarn::conv::ui
