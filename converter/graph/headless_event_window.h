// The video window without a screen, for the command line and the tests: it keeps its caption,
// visibility, place and size, and delivers the graph's notices on the thread that created it
// through that thread's Qt event loop. Close and Resize do to it what a user does to a real one.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "converter/graph/event_window.h"

class QObject;

namespace tarn::conv {

class HeadlessEventWindow final : public EventWindow {
 public:
  HeadlessEventWindow(std::string_view caption, LONG left, LONG top, LONG width, LONG height,
                      EventWindowHandler& handler);
  ~HeadlessEventWindow() override;
  HeadlessEventWindow(const HeadlessEventWindow&) = delete;
  HeadlessEventWindow& operator=(const HeadlessEventWindow&) = delete;

  LONG_PTR Handle() const override;
  IGraphNotifyTarget* NotifyTarget() override { return &notifyTarget_; }
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  bool IsVisible() const override { return visible_; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  void ClientSize(LONG& width, LONG& height) const override;

  // The user closes the window: the handler decides what becomes of it.
  void Close();
  // The client area takes a new size, as a user dragging the frame would give it.
  void Resize(LONG width, LONG height);
  LONG Left() const { return left_; }
  LONG Top() const { return top_; }

 private:
  // Posts each notice to the window's thread. Called from streaming threads; after the window
  // is gone (context cleared) a notice is dropped, and one already queued dies with the context.
  class QueuedNotifyTarget final : public IGraphNotifyTarget {
   public:
    explicit QueuedNotifyTarget(EventWindowHandler& handler) : handler_(handler) {}
    void PostGraphNotify(LONG message, LONG_PTR param) override;
    void SetContext(QObject* context);

   private:
    EventWindowHandler& handler_;
    std::mutex mutex_;
    QObject* context_ = nullptr;
  };

  EventWindowHandler& handler_;
  std::unique_ptr<QObject> context_;  // lives on the creating thread; receives the queued calls
  QueuedNotifyTarget notifyTarget_;
  std::string caption_;
  bool visible_ = false;
  LONG left_, top_, width_, height_;
};

class HeadlessEventWindowFactory final : public EventWindowFactory {
 public:
  std::unique_ptr<EventWindow> Create(std::string_view caption, LONG left, LONG top, LONG width, LONG height,
                                      EventWindowHandler& handler) override;
};

}  // namespace tarn::conv
