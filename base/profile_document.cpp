#include "base/profile_document.h"

#include <utility>

#include "base/ascii_text.h"

namespace tarn::settings {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsCommentOrBlank(std::string_view trimmed) {
  return trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#';
}

// "[name]" with optional blanks and trailing text after the bracket.
std::optional<std::string_view> SectionHeaderName(std::string_view line) {
  const std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  const std::size_t close = trimmed.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(trimmed.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view rawValue;
  std::size_t equalsAt;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  const std::string_view trimmed = TrimBlanks(line);
  if (IsCommentOrBlank(trimmed) || trimmed.front() == '[') return std::nullopt;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view key = TrimBlanks(line.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return KeyLine{key, line.substr(equals + 1), equals};
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string DecodeValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

// Quotes a value whose outer blanks or outer quotes would otherwise be lost on reading.
std::string EncodeValue(std::string_view value) {
  const bool needsQuotes =
      !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                         (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back()));
  if (!needsQuotes) return std::string(value);
  std::string quoted = "\"";
  quoted += value;
  quoted += '"';
  return quoted;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::error_code CheckProfileEntry(std::string_view section, std::string_view key, std::string_view value) {
  const auto invalid = std::make_error_code(std::errc::invalid_argument);
  const std::string_view sectionName = TrimBlanks(section);
  const std::string_view keyName = TrimBlanks(key);
  if (sectionName.empty() || HasLineBreakOrNul(section) || section.find(']') != std::string_view::npos) {
    return invalid;
  }
  if (keyName.empty() || HasLineBreakOrNul(key) || key.find('=') != std::string_view::npos || keyName.front() == '[' ||
      keyName.front() == ';' || keyName.front() == '#') {
    return invalid;
  }
  if (HasLineBreakOrNul(value)) return invalid;
  return {};
}

ProfileDocument ProfileDocument::Parse(std::string_view text) {
  ProfileDocument document;
  if (text.starts_with(kByteOrderMark)) {
    document.byteOrderMark_ = kByteOrderMark;
    text.remove_prefix(kByteOrderMark.size());
  }
  bool newlineKnown = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    Line line;
    if (end == std::string_view::npos) {
      line.text = text;
      text = {};
    } else {
      const bool crlf = end > 0 && text[end - 1] == '\r';
      line.text = text.substr(0, crlf ? end - 1 : end);
      line.ending = crlf ? "\r\n" : "\n";
      text.remove_prefix(end + 1);
      if (!newlineKnown) {
        document.newline_ = line.ending;
        newlineKnown = true;
      }
    }
    document.lines_.push_back(std::move(line));
  }
  return document;
}

std::optional<std::string> ProfileDocument::Find(std::string_view section, std::string_view key) const {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  bool inSection = false;
  for (const Line& line : lines_) {
    if (const auto header = SectionHeaderName(line.text)) {
      inSection = EqualsIgnoringCase(*header, section);
      continue;
    }
    if (!inSection) continue;
    const auto keyLine = ParseKeyLine(line.text);
    if (keyLine && EqualsIgnoringCase(keyLine->key, key)) return DecodeValue(keyLine->rawValue);
  }
  return std::nullopt;
}

std::error_code ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (const std::error_code error = CheckProfileEntry(section, key, value)) return error;
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  const std::string encoded = EncodeValue(value);

  // New keys go after the last entry of the first matching section, before any blank lines or
  // comments that lead into the next section.
  std::optional<std::size_t> insertAfter;
  bool inSection = false;
  bool inFirstSection = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    if (const auto header = SectionHeaderName(line.text)) {
      inSection = EqualsIgnoringCase(*header, section);
      inFirstSection = inSection && !insertAfter;
      if (inFirstSection) insertAfter = i;
      continue;
    }
    if (!inSection) continue;
    if (const auto keyLine = ParseKeyLine(line.text); keyLine && EqualsIgnoringCase(keyLine->key, key)) {
      const std::string_view keyText = TrimBlanksRight(std::string_view(line.text).substr(0, keyLine->equalsAt));
      line.text = std::string(keyText) + "=" + encoded;
      return {};
    }
    if (inFirstSection && !IsCommentOrBlank(TrimBlanks(line.text))) insertAfter = i;
  }

  Line keyLine{std::string(key) + "=" + encoded, newline_};
  if (insertAfter) {
    if (lines_[*insertAfter].ending.empty()) lines_[*insertAfter].ending = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insertAfter + 1), std::move(keyLine));
    return {};
  }
  if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = newline_;
  lines_.push_back(Line{"[" + std::string(section) + "]", newline_});
  lines_.push_back(std::move(keyLine));
  return {};
}

std::string ProfileDocument::Text() const {
  std::string text = byteOrderMark_;
  for (const Line& line : lines_) {
    text += line.text;
    text += line.ending;
  }
  return text;
}

}  // namespace tarn::settings
