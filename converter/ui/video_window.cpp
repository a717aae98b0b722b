#include "converter/ui/video_window.h"

#include <QCloseEvent>
#include <QPainter>

#include <cstring>

#include "converter/ui/about_dialog.h"

namespace tarn::conv::ui {

namespace {
// A window whose renderer has no picture size yet starts at the handheld's screen size.
constexpr LONG kFallbackWidth = 240;
constexpr LONG kFallbackHeight = 160;
}  // namespace

// The picture sink the renderer holds. It outlives the window when the renderer still holds it;
// once the window is gone it drops every picture.
class QtVideoWindow::Sink final : public ITarnPictureSink {
 public:
  explicit Sink(QtVideoWindow& window) : window_(&window) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITarnPictureSink) {
      *ppv = static_cast<ITarnPictureSink*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT PresentPicture(const BYTE* pixels, LONG width, LONG height, LONG stride, REFERENCE_TIME /*start*/) override {
    if (pixels == nullptr || width <= 0 || height <= 0 || stride < width * 4) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (window_ != nullptr) window_->TakePicture(pixels, width, height, stride);
    return S_OK;
  }

  void Detach() {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
  }

 private:
  ~Sink() = default;
  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  QtVideoWindow* window_;
};

void QtVideoWindow::Notify::PostGraphNotify(LONG /*message*/, LONG_PTR /*param*/) {
  std::lock_guard lock(mutex_);
  if (window_ == nullptr) return;
  QtVideoWindow* window = window_;
  QMetaObject::invokeMethod(
      window, [window] { window->handler_.OnGraphNotify(); }, Qt::QueuedConnection);
}

void QtVideoWindow::Notify::Detach() {
  std::lock_guard lock(mutex_);
  window_ = nullptr;
}

QtVideoWindow::QtVideoWindow(std::string_view caption, LONG left, LONG top, LONG width, LONG height,
                             EventWindowHandler& handler)
    : handler_(handler), sink_(new Sink(*this)) {
  setObjectName(QStringLiteral("videoWindow"));
  setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
  setWindowIcon(ProgramIcon());
  setAttribute(Qt::WA_OpaquePaintEvent);
  move(left, top);
  resize(width > 0 ? width : kFallbackWidth, height > 0 ? height : kFallbackHeight);
}

QtVideoWindow::~QtVideoWindow() {
  notify_.Detach();
  sink_->Detach();
  sink_->Release();
}

ITarnPictureSink* QtVideoWindow::PictureSink() { return sink_; }

void QtVideoWindow::Show() {
  showNormal();
  update();
}

void QtVideoWindow::SetCaption(std::string_view caption) {
  setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

void QtVideoWindow::ClientSize(LONG& width, LONG& height) const {
  width = this->width();
  height = this->height();
}

// On the streaming thread: the picture is copied, and one repaint at a time is queued.
void QtVideoWindow::TakePicture(const BYTE* pixels, LONG width, LONG height, LONG stride) {
  {
    std::lock_guard lock(pictureMutex_);
    if (picture_.width() != width || picture_.height() != height)
      picture_ = QImage(width, height, QImage::Format_RGB32);
    for (LONG y = 0; y < height; ++y)
      std::memcpy(picture_.scanLine(y), pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                  static_cast<std::size_t>(width) * 4);
  }
  if (repaintPosted_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        repaintPosted_ = false;
        update();
      },
      Qt::QueuedConnection);
}

QImage QtVideoWindow::LastPicture() const {
  std::lock_guard lock(pictureMutex_);
  return picture_.copy();
}

void QtVideoWindow::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  std::lock_guard lock(pictureMutex_);
  if (picture_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), picture_);
}

void QtVideoWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  handler_.OnWindowSized();
}

// Closing only hides: the graph object puts the caption back, which tells a run the user has
// closed the window.
void QtVideoWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  handler_.OnWindowClosed();
}

std::unique_ptr<EventWindow> QtVideoWindowFactory::Create(std::string_view caption, LONG left, LONG top, LONG width,
                                                          LONG height, EventWindowHandler& handler) {
  return std::make_unique<QtVideoWindow>(caption, left, top, width, height, handler);
}

}  // namespace tarn::conv::ui
