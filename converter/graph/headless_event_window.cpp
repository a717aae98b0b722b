#include "converter/graph/headless_event_window.h"

#include <QMetaObject>
#include <QObject>

namespace tarn::conv {

void HeadlessEventWindow::QueuedNotifyTarget::PostGraphNotify(LONG /*message*/, LONG_PTR /*param*/) {
  std::lock_guard lock(mutex_);
  if (context_ == nullptr) return;
  EventWindowHandler& handler = handler_;
  QMetaObject::invokeMethod(
      context_, [&handler] { handler.OnGraphNotify(); }, Qt::QueuedConnection);
}

void HeadlessEventWindow::QueuedNotifyTarget::SetContext(QObject* context) {
  std::lock_guard lock(mutex_);
  context_ = context;
}

HeadlessEventWindow::HeadlessEventWindow(std::string_view caption, LONG left, LONG top, LONG width, LONG height,
                                         EventWindowHandler& handler)
    : handler_(handler),
      context_(std::make_unique<QObject>()),
      notifyTarget_(handler),
      caption_(caption),
      left_(left),
      top_(top),
      width_(width),
      height_(height) {
  notifyTarget_.SetContext(context_.get());
}

// The target lets go of the context first, so that no notice is posted to it while it dies;
// deleting the context discards the calls still queued for it.
HeadlessEventWindow::~HeadlessEventWindow() { notifyTarget_.SetContext(nullptr); }

// The context object's address: unique among the living windows and never 0.
LONG_PTR HeadlessEventWindow::Handle() const { return reinterpret_cast<LONG_PTR>(context_.get()); }

void HeadlessEventWindow::ClientSize(LONG& width, LONG& height) const {
  width = width_;
  height = height_;
}

void HeadlessEventWindow::Close() { handler_.OnWindowClosed(); }

void HeadlessEventWindow::Resize(LONG width, LONG height) {
  width_ = width;
  height_ = height;
  handler_.OnWindowSized();
}

std::unique_ptr<EventWindow> HeadlessEventWindowFactory::Create(std::string_view caption, LONG left, LONG top,
                                                                LONG width, LONG height, EventWindowHandler& handler) {
  return std::make_unique<HeadlessEventWindow>(caption, left, top, width, height, handler);
}

}  // namespace tarn::conv
