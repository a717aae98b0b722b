#include "platform/dvd/library_log.h"

#include <array>
#include <cstdio>
#include <string>

namespace tarn::dvd {

namespace {

void Keep(void* log, const char* format, va_list args) {
  std::array<char, 512> line{};
  std::vsnprintf(line.data(), line.size(), format, args);
  std::string text(line.data());
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  static_cast<LibraryLog*>(log)->Add(text);
}

}  // namespace

// Debug and information chatter is dropped; errors and warnings are kept for error messages.
void LogLibraryMessage(void* log, dvd_logger_level_t level, const char* format, va_list args) {
  if (log != nullptr && (level == DVD_LOGGER_LEVEL_ERROR || level == DVD_LOGGER_LEVEL_WARN)) Keep(log, format, args);
}

}  // namespace tarn::dvd
