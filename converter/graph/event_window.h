// The top-level window that holds the video renderer and receives the graph's event notices.
// The Qt program shows a real window; the command line and the tests use a headless one. Either
// way the window only reports what happens to it (resize, close, a graph notice posted from a
// streaming thread, delivered later on the owner's thread) to its handler, the graph object.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "media/com/Types.h"
#include "media/graph/GraphInterfaces.h"
#include "platform/platform_interfaces.h"

namespace tarn::conv {

// What the window procedure of the video window does with each message.
class EventWindowHandler {
 public:
  virtual void OnWindowSized() = 0;   // the client area changed size
  virtual void OnWindowClosed() = 0;  // the user closed the window
  virtual void OnGraphNotify() = 0;   // events wait in the graph's queue

 protected:
  ~EventWindowHandler() = default;
};

class EventWindow {
 public:
  virtual ~EventWindow() = default;

  // The handle the renderer is given as owner and message drain.
  virtual LONG_PTR Handle() const = 0;
  // Where the graph posts its notices; they reach OnGraphNotify on the window's own thread, never
  // from inside PostGraphNotify.
  virtual IGraphNotifyTarget* NotifyTarget() = 0;
  // Where the renderer hands its pictures; null for a window that shows none.
  virtual ITarnPictureSink* PictureSink() { return nullptr; }

  virtual void Show() = 0;  // shown normally and updated
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual void ClientSize(LONG& width, LONG& height) const = 0;
};

class EventWindowFactory {
 public:
  virtual ~EventWindowFactory() = default;
  // A new top-level window, not shown, at (left, top) with a client area of width x height.
  virtual std::unique_ptr<EventWindow> Create(std::string_view caption, LONG left, LONG top, LONG width, LONG height,
                                              EventWindowHandler& handler) = 0;
};

}  // namespace tarn::conv
