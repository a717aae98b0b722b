// The video window on a screen: a top-level Qt window that paints the pictures the renderer
// hands to its sink (the same on X11 and Wayland), receives the graph's notices on its own
// thread, and only hides when the user closes it.
#pragma once

#include <QImage>
#include <QWidget>

#include <atomic>
#include <mutex>

#include "converter/graph/event_window.h"

namespace tarn::conv::ui {

class QtVideoWindow final : public QWidget, public EventWindow {
  Q_OBJECT

 public:
  QtVideoWindow(std::string_view caption, LONG left, LONG top, LONG width, LONG height, EventWindowHandler& handler);
  ~QtVideoWindow() override;

  LONG_PTR Handle() const override { return reinterpret_cast<LONG_PTR>(this); }
  IGraphNotifyTarget* NotifyTarget() override { return &notify_; }
  ITarnPictureSink* PictureSink() override;
  void Show() override;
  void Hide() override { hide(); }
  bool IsVisible() const override { return isVisible(); }
  std::string Caption() const override { return windowTitle().toStdString(); }
  void SetCaption(std::string_view caption) override;
  void ClientSize(LONG& width, LONG& height) const override;

  // A copy of the last picture the renderer handed over (null before the first).
  QImage LastPicture() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Sink;
  // Posts the graph's notices to the window's thread; a notice after the window has gone is
  // dropped.
  class Notify final : public IGraphNotifyTarget {
   public:
    explicit Notify(QtVideoWindow& window) : window_(&window) {}
    void PostGraphNotify(LONG message, LONG_PTR param) override;
    void Detach();

   private:
    std::mutex mutex_;
    QtVideoWindow* window_;
  };

  void TakePicture(const BYTE* pixels, LONG width, LONG height, LONG stride);

  EventWindowHandler& handler_;
  Notify notify_{*this};
  Sink* sink_;  // a COM object: the renderer may hold it beyond the window
  mutable std::mutex pictureMutex_;
  QImage picture_;  // reallocated only when the picture size changes
  std::atomic<bool> repaintPosted_{false};
};

class QtVideoWindowFactory final : public EventWindowFactory {
 public:
  std::unique_ptr<EventWindow> Create(std::string_view caption, LONG left, LONG top, LONG width, LONG height,
                                      EventWindowHandler& handler) override;
};

}  // namespace tarn::conv::ui
