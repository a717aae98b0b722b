// The progress line of the encode commands: percent done and time left, rewritten in place on
// standard error. It is cut to the terminal's width: a line that wraps cannot be rewritten and
// scrolls a new copy at every update.
#pragma once

#include <cstddef>
#include <string>

namespace tarn::tmvtool {

class ProgressLine {
 public:
  // Shown only on a terminal and without --quiet.
  ProgressLine();

  // `done` of `total` units (seconds of the input), `elapsed` seconds of work so far.
  void Show(const std::string& what, double done, double total, double elapsed);
  void Clear();

 private:
  bool shown_;
  bool drawn_ = false;
};

// "42%, 1:05 left" (no time left until the first percent is done, when a guess would be wild).
std::string ProgressText(double done, double total, double elapsed);
// What fits in columns - 1 terminal columns, so that the cursor stays on the line.
std::string FitToWidth(const std::string& text, std::size_t columns);
// The width of the terminal on standard error, else $COLUMNS, else 80.
std::size_t TerminalColumns();

}  // namespace tarn::tmvtool
