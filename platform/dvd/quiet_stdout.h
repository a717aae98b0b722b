// Keeps standard output clean while libdvdread talks.
//
// libdvdread prints a notice about encrypted discs straight to standard output when it opens a
// disc; tools that pipe their data on standard output must not carry it. While a QuietStdout
// lives, file descriptor 1 points at /dev/null. Opens are serialised, so nested or concurrent
// guards never restore the wrong descriptor.
#pragma once

#include <mutex>

namespace tarn::dvd {

class QuietStdout {
 public:
  QuietStdout();
  ~QuietStdout();
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  std::unique_lock<std::recursive_mutex> lock_;
  int savedStdout_ = -1;
};

}  // namespace tarn::dvd
