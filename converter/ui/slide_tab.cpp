#include "converter/ui/slide_tab.h"

#include <QTabBar>

#include <algorithm>

namespace tarn::conv::ui {

namespace {
// The page stops sliding once its left edge is no further left than this.
constexpr int kSlideEndX = -11;
}  // namespace

CSlideTab::CSlideTab(QWidget* parent) : QWidget(parent), tabs_(new QTabBar(this)) {
  tabs_->move(0, 0);
  tabs_->setDrawBase(true);
  slideTimer_.setInterval(kSlideIntervalMs);
  connect(&slideTimer_, &QTimer::timeout, this, &CSlideTab::SlideStep);
  connect(tabs_, &QTabBar::currentChanged, this, &CSlideTab::OnSelectionChanged);
}

void CSlideTab::AddPage(const QString& label, QWidget* page) {
  page->setParent(this);
  page->move(kPagePlace);
  pages_.push_back(page);
  {
    const QSignalBlocker quiet(tabs_);
    tabs_->addTab(label);
  }
  if (pages_.size() == 1) {
    shown_ = page;
    page->show();
  } else {
    page->hide();
  }
  // Room for the largest page below the tabs.
  QSize room = tabs_->sizeHint();
  for (const QWidget* each : pages_)
    room = room.expandedTo(QSize(kPagePlace.x() * 2 + each->width(), kPagePlace.y() + kPagePlace.x() + each->height()));
  tabs_->resize(room.width(), tabs_->sizeHint().height());
  setFixedSize(room);
}

int CSlideTab::CurrentIndex() const { return tabs_->currentIndex(); }

void CSlideTab::SetCurrentIndex(int index) { tabs_->setCurrentIndex(index); }

// The old page goes; the new one appears at once or slides in from the left.
void CSlideTab::OnSelectionChanged(int index) {
  slideTimer_.stop();
  if (shown_ != nullptr) {
    shown_->hide();
    shown_->move(kPagePlace);
  }
  shown_ = index >= 0 && index < PageCount() ? Page(index) : nullptr;
  if (shown_ == nullptr) return;
  if (!sliding_) {
    shown_->show();
    return;
  }
  shown_->move(kPagePlace.x() - shown_->width(), kPagePlace.y());
  shown_->show();
  slideTimer_.start();
}

void CSlideTab::SlideStep() {
  if (shown_ != nullptr && shown_->x() < kSlideEndX) {
    shown_->move(shown_->x() + kSlideStepPx, shown_->y());
    return;
  }
  if (shown_ != nullptr) shown_->move(kPagePlace);
  slideTimer_.stop();
}

}  // namespace tarn::conv::ui
