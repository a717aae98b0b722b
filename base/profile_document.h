// The text of a profile (".ini") file as lines, with look-up and in-place editing of one key.
//
// Everything that is not the edited key stays byte for byte as it was: other sections and keys,
// comments, blank lines, unknown lines, the line endings and a leading byte-order mark.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tarn::settings {

class ProfileDocument {
 public:
  static ProfileDocument Parse(std::string_view text);

  // The value of the first `key` in any section named `section` (both compared without regard
  // to ASCII case, surrounding blanks ignored); a value in matching quotes loses the quotes.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // Replaces the first such key's value, or adds the key to the first such section, or appends
  // the section. Names or values that the file format cannot hold give invalid_argument and
  // leave the document unchanged.
  std::error_code Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Text() const;

 private:
  struct Line {
    std::string text;    // without its line ending
    std::string ending;  // "\n", "\r\n" or "" for a last line without one
  };

  std::string byteOrderMark_;
  std::vector<Line> lines_;
  std::string newline_ = "\n";
};

// Whether a section name, key or value can be stored so that it reads back the same.
std::error_code CheckProfileEntry(std::string_view section, std::string_view key, std::string_view value);

}  // namespace tarn::settings
