#pragma once
// Error numbers and the small result type shared by picfit's engine.
//
// The numbers are what the window shows after "错误号：". 32509 is the
// imaging control's "format not recognised" number, the one that sends a
// picture to the fallback loader; the others are picfit's own.

#include <QString>

#include <functional>

namespace picfit {

enum ErrorNumber : int {
  kOk = 0,
  kErrFileNotFound = 53,       // the picture file does not exist
  kErrUnknownFormat = 32509,   // no decoder recognises the file
  kErrCorruptPicture = 32510,  // recognised, but the data is damaged or truncated
  kErrReadFailed = 32511,      // any other failure while reading a picture
  kErrNoPicture = 32512,       // an operation needs a current picture and there is none
  kErrProcessFailed = 32513,   // resize / depth change / colour reduction failed
  kErrWriteFailed = 32520,     // an output file could not be created or fully written
  kErrOutputFolder = 32521,    // the output folder is missing or not writable
  kErrNotBitmap24 = 32522,     // the 16-bit writer's source is not an uncompressed 24-bit BMP
  kErrBadArgument = 32523,     // nonsense sizes or options
};

// Result of an operation: number 0 means success; otherwise `message` says
// what failed, in words a user can act on.
struct Status {
  int number = kOk;
  QString message;

  bool ok() const { return number == kOk; }
  explicit operator bool() const { return ok(); }

  static Status Success() { return {}; }
  static Status Failure(int n, QString text) { return {n, std::move(text)}; }
};

// Called by long operations at the points where the window must process
// pending events (once per file, per picture, per renaming probe, per row).
// An empty hook does nothing.
using YieldHook = std::function<void()>;

inline void CallYield(const YieldHook& hook) {
  if (hook) hook();
}

}  // namespace picfit
