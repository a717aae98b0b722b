// The video window: a top-level window the renderer lives in as a child, and that receives the
// graph's event notices. Closing it only hides it; the conversion learns from its caption that
// the user has closed it.
#include "converter/graph/dvd_graph.h"
#include "media/dshow/EventCodes.h"
#include "media/registry/TextConversion.h"

namespace tarn::conv {
namespace {

constexpr std::string_view kVideoWindowCaption = "Video Window";
constexpr LONG kWindowLeft = 5;
constexpr LONG kWindowTop = 5;
constexpr std::size_t kCaptionCharacters = 50;

// Frame bits a child window must not have.
constexpr LONG kCaptionStyle = 0x00C00000;     // WS_CAPTION
constexpr LONG kThickFrameStyle = 0x00040000;  // WS_THICKFRAME

}  // namespace

// The previous window goes: it was hidden before any rebuild and nothing refers to it any more.
void CDvdGraph::CreateVideoWindow() {
  LONG width = 0, height = 0;
  videoWindow_->get_Width(&width);
  videoWindow_->get_Height(&height);
  std::unique_ptr<EventWindow> window =
      windows_.Create(kVideoWindowCaption, kWindowLeft, kWindowTop, width, height, *this);
  if (!window) return;
  window_ = std::move(window);
  windowHidden_ = true;
  events_->SetNotifyWindow(window_->NotifyTarget(), kGraphNotifyMessage, 0);
  MakeRendererChildOf(*window_);
}

void CDvdGraph::MakeRendererChildOf(EventWindow& window) {
  LONG style = 0;
  videoWindow_->get_WindowStyle(&style);
  videoWindow_->put_WindowStyle((style & ~(kCaptionStyle | kThickFrameStyle)) | WS_CHILD);
  videoWindow_->put_Owner(window.Handle());
  // The renderer has no window of its own on Linux: its pictures reach the owner's sink.
  ComPtr<ITarnVideoOutput> output;
  if (window.PictureSink() != nullptr &&
      SUCCEEDED(videoWindow_->QueryInterface(IID_ITarnVideoOutput, output.ReleaseAndGetAddressOfVoid())))
    output->SetPictureSink(window.PictureSink());
  FitRendererToWindow();
  videoWindow_->put_MessageDrain(window.Handle());
}

void CDvdGraph::FitRendererToWindow() {
  if (!videoWindow_ || !window_) return;
  LONG width = 0, height = 0;
  window_->ClientSize(width, height);
  videoWindow_->SetWindowPosition(0, 0, width, height);
}

// ---- what the window reports ----

void CDvdGraph::OnWindowSized() { FitRendererToWindow(); }

void CDvdGraph::OnWindowClosed() {
  if (!window_) return;
  window_->Hide();
  window_->SetCaption(kVideoWindowCaption);
  windowHidden_ = true;
}

// Segment ends are polled; a notice that can end what plays makes the converter poll at once.
void CDvdGraph::OnGraphNotify() {
  if (DrainNotices() && playbackEndNotice_) playbackEndNotice_();
}

// Of the events only a filter's failure (EC_ERRORABORT, an encoder that could not write) and,
// for a file, the end of the part played are kept for the converter. The queue is kept from
// growing.
bool CDvdGraph::DrainNotices() {
  if (!events_) return false;
  bool ending = false;
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (SUCCEEDED(events_->GetEvent(&code, &param1, &param2, 0))) {
    if (code == EC_COMPLETE) fileCompleted_ = true;
    if (code == EC_ERRORABORT && streamError_ == S_OK) {
      const auto error = static_cast<HRESULT>(param1);
      streamError_ = FAILED(error) ? error : E_FAIL;
    }
    ending = ending || code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_DVD_ERROR ||
             (code == EC_DVD_DOMAIN_CHANGE && param1 == DVD_DOMAIN_Stop);
    events_->FreeEventParams(code, param1, param2);
  }
  return ending;
}

HRESULT CDvdGraph::TakeStreamError() {
  DrainNotices();
  const HRESULT error = streamError_;
  streamError_ = S_OK;
  return error;
}

// ---- what the converter asks of it ----

void CDvdGraph::ShowVideoWindow() {
  if (!windowHidden_ || !window_) return;
  window_->Show();
  windowHidden_ = false;
}

bool CDvdGraph::SetVideoCaption(std::string_view caption) {
  if (!window_) return false;
  window_->SetCaption(caption);
  return true;
}

// Cut by characters, not bytes, so that a multibyte character is never split.
bool CDvdGraph::GetVideoCaption(std::string& caption) {
  std::wstring text = window_ ? media::Utf8ToWide(window_->Caption()) : std::wstring();
  if (text.size() > kCaptionCharacters) text.resize(kCaptionCharacters);
  caption = media::WideToUtf8(text);
  return !caption.empty();
}

}  // namespace tarn::conv
