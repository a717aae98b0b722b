// Reading and writing keys of one profile file, with the semantics settings files have always
// had: a reader gets its default text when the file, section or key is missing and at most its
// buffer size minus one bytes; a writer creates what is missing and keeps the rest of the file.
//
// Writers serialise on a lock file beside the settings file and replace the file atomically
// (temporary file in the same folder, fsync unless the file is scratch, rename), so readers never
// see half a file and a writer killed at any moment leaves either the old or the new file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "base/atomic_file.h"

namespace tarn::settings {

class ProfileDocument;

struct ProfileEntry {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path path, Durability durability = Durability::kFlushed);

  const std::filesystem::path& path() const { return path_; }

  // The key's value, or `defaultText` when the file, section or key is missing; either cut to
  // `bufferSize` - 1 bytes, never inside a UTF-8 sequence.
  std::string Read(std::string_view section, std::string_view key, std::string_view defaultText,
                   std::size_t bufferSize) const;

  // Stores one key, or several in one replacement of the file (applied in order). Returns the
  // reason when nothing was stored; the file is then as it was.
  std::error_code Write(std::string_view section, std::string_view key, std::string_view value) const;
  std::error_code Write(std::span<const ProfileEntry> entries) const;

  // Reads the file, lets `change` edit it and stores the result, all under the writers' lock,
  // so that no other writer comes between the read and the write. Nothing is stored when
  // `change` returns an error.
  std::error_code Modify(const std::function<std::error_code(ProfileDocument&)>& change) const;

 private:
  std::filesystem::path path_;
  Durability durability_;
};

// The first `bufferSize` - 1 bytes of `text`, backing off so that no UTF-8 sequence is split.
std::string CutToBuffer(std::string_view text, std::size_t bufferSize);

}  // namespace tarn::settings
