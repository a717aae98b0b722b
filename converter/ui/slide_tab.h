// CSlideTab: the settings dialog's tab control. Each tab carries a page, a child placed at (4, 28)
// below the tabs. With sliding on, a newly chosen page enters from the left: it starts one page
// width left of its place and moves right 15 pixels every 10 ms until it is home.
#pragma once

#include <QTimer>
#include <QWidget>

#include <vector>

class QTabBar;

namespace tarn::conv::ui {

class CSlideTab final : public QWidget {
  Q_OBJECT

 public:
  static constexpr QPoint kPagePlace{4, 28};
  static constexpr int kSlideStepPx = 15;
  static constexpr int kSlideIntervalMs = 10;

  explicit CSlideTab(QWidget* parent = nullptr);

  // Appends a tab labelled `label` for `page`, which becomes this control's child at its place,
  // keeping its size; the first page is shown, later ones hidden.
  void AddPage(const QString& label, QWidget* page);
  void SetSliding(bool on) { sliding_ = on; }
  bool IsSliding() const { return slideTimer_.isActive(); }
  QTabBar* Tabs() const { return tabs_; }
  QWidget* Page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  int CurrentIndex() const;
  void SetCurrentIndex(int index);

 private:
  void OnSelectionChanged(int index);
  void SlideStep();

  QTabBar* tabs_;
  std::vector<QWidget*> pages_;
  QWidget* shown_ = nullptr;
  bool sliding_ = false;
  QTimer slideTimer_;  // timer 1
};

}  // namespace tarn::conv::ui
