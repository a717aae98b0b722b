#include "tools/tmvtool/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/tmvtool/subcommand.h"
#include "tools/tmvtool/tool_text.h"

namespace tarn::tmvtool {

ProgressLine::ProgressLine() : shown_(::isatty(STDERR_FILENO) != 0 && !Say().quiet) {}

void ProgressLine::Show(const std::string& what, double done, double total, double elapsed) {
  if (!shown_) return;
  const std::string line = FitToWidth(Tr("%1: %2", what, ProgressText(done, total, elapsed)), TerminalColumns());
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
  const int percent = static_cast<int>(fraction * 100);
  if (fraction < 0.01 || elapsed <= 0) return Tr("%1%", percent);
  const auto left = static_cast<long long>(std::lround(elapsed / fraction - elapsed));
  char clock[32];
  if (left >= 3600)
    std::snprintf(clock, sizeof clock, "%lld:%02lld:%02lld", left / 3600, left / 60 % 60, left % 60);
  else
    std::snprintf(clock, sizeof clock, "%lld:%02lld", left / 60, left % 60);
  return Tr("%1%, %2 left", percent, clock);
}

namespace {

// Terminal columns of one character: two for the wide East Asian ones.
std::size_t Columns(char32_t c) {
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                    (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

}  // namespace

std::string FitToWidth(const std::string& text, std::size_t columns) {
  if (columns == 0) return text;
  // Whole characters by their width on the terminal: a Chinese line is cut neither inside a
  // character nor after twice the columns.
  std::u32string fitted;
  std::size_t used = 0;
  for (const char32_t c : QString::fromStdString(text).toStdU32String()) {
    used += Columns(c);
    if (used >= columns) break;
    fitted += c;
  }
  return QString::fromStdU32String(fitted).toStdString();
}

std::size_t TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS"); columns != nullptr && std::atoi(columns) > 0)
    return static_cast<std::size_t>(std::atoi(columns));
  return 80;
}

}  // namespace tarn::tmvtool
