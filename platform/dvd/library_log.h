// The logging callback handed to libdvdread and libdvdnav: formats the message into the
// LibraryLog given as the callback's private pointer.
#pragma once

#include <cstdarg>

#include "platform/dvd/dvd_reader.h"

namespace tarn::dvd {

void LogLibraryMessage(void* log, dvd_logger_level_t level, const char* format, va_list args);

}  // namespace tarn::dvd
