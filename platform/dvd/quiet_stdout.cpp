#include "platform/dvd/quiet_stdout.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace tarn::dvd {
namespace {

std::recursive_mutex& StdoutMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace

QuietStdout::QuietStdout() : lock_(StdoutMutex()) {
  std::fflush(stdout);
  savedStdout_ = ::dup(STDOUT_FILENO);
  const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (savedStdout_ >= 0 && devNull >= 0) ::dup2(devNull, STDOUT_FILENO);
  if (devNull >= 0) ::close(devNull);
}

QuietStdout::~QuietStdout() {
  std::fflush(stdout);
  if (savedStdout_ >= 0) {
    ::dup2(savedStdout_, STDOUT_FILENO);
    ::close(savedStdout_);
  }
}

}  // namespace tarn::dvd
