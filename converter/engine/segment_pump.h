// The message pump a run keeps while a segment plays: the thread's events (timers, the graph's
// notices, the user's buttons) are handled re-entrantly until something ends the segment, or
// until the application is asked to quit.
#pragma once

class QEventLoop;

namespace tarn::conv {

class SegmentPump {
 public:
  enum class End { Finished, QuitRequested };

  // Runs a nested event loop until Finish(). A quit request of the application ends the loop as
  // well (and every loop beneath it); QuitCode() then holds the code it was given, or -1 when
  // the application was already quitting as the loop began.
  End Run();
  // Ends the running loop after the current event; without one it does nothing.
  void Finish();
  bool IsRunning() const { return loop_ != nullptr; }
  int QuitCode() const { return quitCode_; }

 private:
  QEventLoop* loop_ = nullptr;
  bool finished_ = false;
  int quitCode_ = 0;
};

}  // namespace tarn::conv
