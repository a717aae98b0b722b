#include "base/profile_file.h"

#include <utility>

#include "base/atomic_file.h"
#include "base/profile_document.h"

namespace tarn::settings {
namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool IsUtf8Lead(char c) { return static_cast<unsigned char>(c) >= 0xC0; }

// The file that a write replaces: a symbolic link (a settings file kept elsewhere) is followed,
// so that the link stays and its target gets the new contents.
std::filesystem::path ReplacementTarget(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path target = std::filesystem::absolute(path, error);
  if (error) return path;
  if (std::filesystem::is_symlink(target, error)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
    if (!error) target = resolved;
  }
  return target;
}

}  // namespace

std::string CutToBuffer(std::string_view text, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  std::size_t length = text.size();
  if (length > bufferSize - 1) {
    length = bufferSize - 1;
    // A UTF-8 sequence is at most 4 bytes: look back at most 3 for its lead byte.
    for (std::size_t back = 0; back < 3 && length > back && IsUtf8Continuation(text[length - back]); ++back) {
      if (IsUtf8Lead(text[length - back - 1])) {
        length -= back + 1;
        break;
      }
    }
  }
  return std::string(text.substr(0, length));
}

ProfileFile::ProfileFile(std::filesystem::path path, Durability durability)
    : path_(std::move(path)), durability_(durability) {}

std::string ProfileFile::Read(std::string_view section, std::string_view key, std::string_view defaultText,
                              std::size_t bufferSize) const {
  const FileText file = ReadWholeFile(path_);
  if (!file.error) {
    if (const auto value = ProfileDocument::Parse(file.text).Find(section, key)) {
      return CutToBuffer(*value, bufferSize);
    }
  }
  return CutToBuffer(defaultText, bufferSize);
}

std::error_code ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) const {
  const ProfileEntry entry{section, key, value};
  return Write(std::span<const ProfileEntry>(&entry, 1));
}

std::error_code ProfileFile::Write(std::span<const ProfileEntry> entries) const {
  for (const ProfileEntry& entry : entries) {
    if (const std::error_code error = CheckProfileEntry(entry.section, entry.key, entry.value)) return error;
  }
  return Modify([entries](ProfileDocument& document) {
    for (const ProfileEntry& entry : entries) {
      if (const std::error_code error = document.Set(entry.section, entry.key, entry.value)) return error;
    }
    return std::error_code{};
  });
}

std::error_code ProfileFile::Modify(const std::function<std::error_code(ProfileDocument&)>& change) const {
  const std::filesystem::path target = ReplacementTarget(path_);
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  if (error) return error;

  const WriterLock lock(target);
  if (lock.error()) return lock.error();

  const FileText current = ReadWholeFile(target);
  const bool exists = !current.error;
  // A file that exists but cannot be read is left alone rather than replaced by a stub.
  if (current.error && current.error != std::errc::no_such_file_or_directory) return current.error;

  ProfileDocument document = ProfileDocument::Parse(current.text);
  if (const std::error_code changeError = change(document)) return changeError;
  std::string text = document.Text();
  if (exists && text == current.text) return {};  // sliders write the same value again and again
  return ReplaceFileContents(target, text, durability_);
}

}  // namespace tarn::settings
