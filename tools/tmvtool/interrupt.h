// Ctrl-C (and SIGTERM) during an encode: the graph is stopped so that the encoders finish the
// files they have, instead of the process dying with half-written headers.
#pragma once

namespace tarn::tmvtool {

class InterruptWatch {
 public:
  InterruptWatch();   // catches SIGINT and SIGTERM
  ~InterruptWatch();  // back to the default action
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  static bool Interrupted();
};

// The exit status of an interrupted command.
inline constexpr int kExitInterrupted = 130;

}  // namespace tarn::tmvtool
