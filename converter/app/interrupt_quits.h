// Ctrl-C and SIGTERM ask the application to quit: a conversion then ends as if aborted, with
// the files of the playing segment finished, and the program exits.
#pragma once

#include <memory>

class QSocketNotifier;

namespace tarn::conv {

class InterruptQuits {
 public:
  // Installs the handlers; the quit is requested from the event loop, never from the handler.
  explicit InterruptQuits(int exitCode);
  ~InterruptQuits();
  InterruptQuits(const InterruptQuits&) = delete;
  InterruptQuits& operator=(const InterruptQuits&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tarn::conv
