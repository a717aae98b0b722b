// The one error type of the disc layer: what went wrong, in words a user can act on.
#pragma once

#include <stdexcept>
#include <string>

namespace tarn::dvd {

enum class DvdErrorKind {
  kNotFound,    // the path does not exist, or no disc is in any drive
  kNotADisc,    // the path exists but holds no DVD-Video
  kDamaged,     // the disc's files are damaged or cut short
  kNavigation,  // the navigator could not play what was asked
  kInvalidArgument,
};

class DvdError : public std::runtime_error {
 public:
  DvdError(DvdErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  DvdErrorKind kind() const { return kind_; }

 private:
  DvdErrorKind kind_;
};

}  // namespace tarn::dvd
