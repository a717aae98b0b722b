// Interfaces of the filter graph manager as an application sees it: building
// (IGraphBuilder), transport (IMediaControl), events (IMediaEventEx), seeking
// (IMediaSeeking), with the framework's interface and class ids.
//
// There is no automation layer here, so IMediaControl and IMediaEvent derive
// from IUnknown directly, and the file-based helpers (RenderFile,
// AddSourceFilter) are left out: sources are added as filters.
#pragma once

#include "media/base/AmEvent.h"
#include "media/dshow/Interfaces.h"

// ---- building ----

struct IGraphBuilder : IFilterGraph {
  static constexpr IID kIid{0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Connects out to in, through filters in the graph or registered filters
  // when the two pins do not agree directly.
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  // Completes the path from an output pin down to renderers.
  virtual HRESULT Render(IPin* out) = 0;
  // Asks a Render or Connect running on another thread to give up.
  virtual HRESULT Abort() = 0;
  // S_FALSE once Abort was called during the current operation.
  virtual HRESULT ShouldOperationContinue() = 0;
};

// ---- transport ----

using OAFilterState = LONG;  // a FILTER_STATE value

struct IMediaControl : IUnknown {
  static constexpr IID kIid{0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(LONG milliSecsTimeout, OAFilterState* state) = 0;
  // Pauses (so that every filter cues its data) and then stops.
  virtual HRESULT StopWhenReady() = 0;
};

// ---- events ----

// Where the graph announces queued events: the Linux stand-in for a notify
// window. PostGraphNotify is called from streaming threads and must only
// post (to the owner's event loop); the owner then drains the queue with
// GetEvent on its own thread.
struct IGraphNotifyTarget {
  virtual void PostGraphNotify(LONG message, LONG_PTR param) = 0;

 protected:
  ~IGraphNotifyTarget() = default;
};
using OAHWND = IGraphNotifyTarget*;

inline constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IMediaEvent : IUnknown {
  static constexpr IID kIid{0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // An event that is set while events wait in the queue.
  virtual HRESULT GetEventHandle(HEVENT* event) = 0;
  // Takes the next event, waiting up to the time-out (0 = poll);
  // E_ABORT when none came.
  virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
  // Waits until the running graph completes or aborts; E_ABORT on time-out,
  // VFW_E_WRONG_STATE when the graph is not running.
  virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* eventCode) = 0;
  virtual HRESULT CancelDefaultHandling(LONG eventCode) = 0;
  virtual HRESULT RestoreDefaultHandling(LONG eventCode) = 0;
  virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaEventEx : IMediaEvent {
  static constexpr IID kIid{0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Null target: no more notifications. Once this returns, the previous
  // target is never called again.
  virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
  virtual HRESULT SetNotifyFlags(LONG noNotifyFlags) = 0;
  virtual HRESULT GetNotifyFlags(LONG* noNotifyFlags) = 0;
};

// ---- seeking ----

inline constexpr GUID TIME_FORMAT_NONE{};
inline constexpr GUID TIME_FORMAT_MEDIA_TIME{
    0x7B785574, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6}};

struct IMediaSeeking : IUnknown {
  static constexpr IID kIid{0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
  virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
  virtual HRESULT IsFormatSupported(const GUID* format) = 0;
  virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
  virtual HRESULT GetTimeFormat(GUID* format) = 0;
  virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                    const GUID* sourceFormat) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
  virtual HRESULT SetRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
  virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;
};

inline constexpr IID IID_IGraphBuilder = IGraphBuilder::kIid;
inline constexpr IID IID_IMediaControl = IMediaControl::kIid;
inline constexpr IID IID_IMediaEvent = IMediaEvent::kIid;
inline constexpr IID IID_IMediaEventEx = IMediaEventEx::kIid;
inline constexpr IID IID_IMediaSeeking = IMediaSeeking::kIid;

inline constexpr CLSID CLSID_FilterGraph{0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr CLSID CLSID_SystemClock{0xE436EBB1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

namespace tarn::media {
// Makes CLSID_FilterGraph and CLSID_SystemClock creatable with
// CoCreateInstance in this program. Call once at start-up; repeating it is harmless.
void RegisterFilterGraphClasses();
}  // namespace tarn::media
