#include "tools/tmvtool/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/tmvtool/subcommand.h"

namespace tarn::tmvtool {

ProgressLine::ProgressLine() : shown_(::isatty(STDERR_FILENO) != 0 && !Say().quiet) {}

void ProgressLine::Show(const std::string& what, double done, double total, double elapsed) {
  if (!shown_) return;
  const std::string line = FitToWidth(what + ": " + ProgressText(done, total, elapsed), TerminalColumns());
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressLine::Clear() {
  if (drawn_) std::fprintf(stderr, "\r\033[K");
  drawn_ = false;
}

std::string ProgressText(double done, double total, double elapsed) {
  if (total <= 0) return "";
  const double fraction = std::clamp(done / total, 0.0, 1.0);
  std::string text = std::to_string(static_cast<int>(fraction * 100)) + "%";
  if (fraction >= 0.01 && elapsed > 0) {
    const auto left = static_cast<long long>(std::lround(elapsed / fraction - elapsed));
    char clock[32];
    if (left >= 3600)
      std::snprintf(clock, sizeof clock, "%lld:%02lld:%02lld", left / 3600, left / 60 % 60, left % 60);
    else
      std::snprintf(clock, sizeof clock, "%lld:%02lld", left / 60, left % 60);
    text += std::string(", ") + clock + " left";
  }
  return text;
}

std::string FitToWidth(std::string text, std::size_t columns) {
  if (columns > 0 && text.size() >= columns) text.resize(columns - 1);
  return text;
}

std::size_t TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS"); columns != nullptr && std::atoi(columns) > 0)
    return static_cast<std::size_t>(std::atoi(columns));
  return 80;
}

}  // namespace tarn::tmvtool
