// The lower layers (formats, the disc and file readers, the result codes) say what went wrong
// in English and know nothing of languages. A program says such a text in the user's language
// here: each known text is a pattern whose %1, %2, ... stand for the parts that vary (a path, a
// number), matched against the exact English text, translated under the program's context and
// filled in again in one pass. A text that matches no pattern is shown as it is. Header only:
// its users are Qt programs.
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QTranslator>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/translated_text.h"

namespace tarn::text {

// Fills `parts` with the pieces of `text` that stand for %1..%9 of `pattern`; false when it does
// not match. A piece is never empty; an earlier piece takes as little as it can.
inline bool MatchPattern(std::string_view pattern, std::string_view text, std::vector<std::string>& parts) {
  if (pattern.empty()) return text.empty();
  if (pattern.size() >= 2 && pattern[0] == '%' && pattern[1] >= '1' && pattern[1] <= '9') {
    const auto slot = static_cast<std::size_t>(pattern[1] - '1');
    if (parts.size() <= slot) parts.resize(slot + 1);
    for (std::size_t length = 1; length <= text.size(); ++length) {
      parts[slot] = std::string(text.substr(0, length));
      if (MatchPattern(pattern.substr(2), text.substr(length), parts)) return true;
    }
    return false;
  }
  return !text.empty() && text[0] == pattern[0] && MatchPattern(pattern.substr(1), text.substr(1), parts);
}

// The English texts of the lower layers, as they make them.
inline constexpr std::array kLowerLayerTexts{
    // A video file that the file source cannot take.
    TrNoop("%1: the file is damaged or cut short (%2 that cannot be read)"),
    TrNoop("%1: not a media file FFmpeg knows"),
    TrNoop("%1: no video stream"),
    TrNoop("%1: the file does not say how long it is"),
    TrNoop("%1: the file source cannot play it"),
    // Text subtitles that cannot be drawn.
    TrNoop("no font for text subtitles (TARNMEDIA_SUBTITLE_FONT names one)"),
    // A disc that cannot be read.
    TrNoop("%1: no such file or folder"),
    TrNoop("%1: neither a folder, a disc image nor a drive"),
    TrNoop("%1: its VIDEO_TS folder has no VIDEO_TS.IFO"),
    TrNoop("%1: not a DVD-Video folder (no VIDEO_TS.IFO, no VIDEO_TS folder)"),
    TrNoop("%1: cannot open as a DVD (%2)"),
    TrNoop("%1: cannot open as a DVD"),
    TrNoop("%1: VIDEO_TS.IFO is missing or damaged (%2)"),
    TrNoop("%1: VIDEO_TS.IFO is missing or damaged"),
    TrNoop("%1: the information file of title set %2 is missing or damaged (%3)"),
    TrNoop("%1: the information file of title set %2 is missing or damaged"),
    TrNoop("no DVD-Video disc found in the drives (no optical drive and no mounted disc volume on this machine)"),
    TrNoop("no DVD-Video disc found in the drives (looked at %1)"),
    // The header of a movie file.
    TrNoop("the header does not begin with \"Tarn\""),
    TrNoop("the header has no \"MOVI\" tag at offset 8"),
    TrNoop("the header's reserved word at offset 12 is %1, not 0"),
    TrNoop("the header's word at offset 16 is %1, not 5"),
    TrNoop("the header's reserved bytes 20-511 are not zero"),
    TrNoop("the header gives a file length of %1 bytes but the file has %2 (the file was cut)"),
    TrNoop("the header gives a file length of %1 bytes but the file has %2"),
    TrNoop("the file has %1 bytes, fewer than the 512-byte header"),
    // A record of a movie file.
    TrNoop("the payload has %1 bytes, too few for K and M"),
    TrNoop("K = %1 and M = %2 reach past the %3-byte payload"),
    TrNoop("K = %1 is not a whole number of 32-bit words"),
    TrNoop("M = %1 is not a whole number of colour words"),
    // The header of a sound file.
    TrNoop("MusicMode %1 is none of 0-3"),
    TrNoop("the codec, channels, rate or sample size do not match MusicMode %1"),
    TrNoop("the header gives %1 data bytes but the file has %2"),
    TrNoop("%1 sample frames do not fill %2 bytes"),
    // The words of result codes, and of the system's errors among them.
    TrNoop("not implemented"),
    TrNoop("interface not supported"),
    TrNoop("invalid pointer"),
    TrNoop("aborted"),
    TrNoop("unspecified failure"),
    TrNoop("unexpected failure"),
    TrNoop("out of memory"),
    TrNoop("invalid argument"),
    TrNoop("class cannot be aggregated"),
    TrNoop("class not offered by this library"),
    TrNoop("class not registered"),
    TrNoop("library cannot be loaded"),
    TrNoop("export not found in library"),
    TrNoop("pin not connected"),
    TrNoop("no common media type"),
    TrNoop("media type not accepted"),
    TrNoop("no combination of filters connects"),
    TrNoop("no combination of filters renders the stream"),
    TrNoop("filter is not stopped"),
    TrNoop("wrong filter state"),
    TrNoop("allocator not committed"),
    TrNoop("allocator buffer size not set"),
    TrNoop("unknown file type"),
    TrNoop("invalid file format"),
    TrNoop("No such file or directory"),
    TrNoop("Permission denied"),
    TrNoop("No space left on device"),
    TrNoop("Invalid argument"),
};

// `english` in the language of the program's translators when one of `patterns` matches it.
inline std::optional<QString> TextByPattern(const char* context, std::string_view english,
                                            std::span<const char* const> patterns) {
  for (const char* pattern : patterns) {
    std::vector<std::string> parts;
    if (!MatchPattern(pattern, english, parts)) continue;
    const QString text = QCoreApplication::translate(context, pattern);
    QString filled;
    for (qsizetype at = 0; at < text.size(); ++at) {
      const int slot = at + 1 < text.size() ? text[at + 1].digitValue() : -1;
      if (text[at] == u'%' && slot >= 1 && static_cast<std::size_t>(slot) <= parts.size()) {
        filled += QString::fromStdString(parts[static_cast<std::size_t>(slot) - 1]);
        ++at;
      } else {
        filled += text[at];
      }
    }
    return filled;
  }
  return std::nullopt;
}

// The translators' context of these texts: one translation file (lower_layer_<locale>.ts)
// serves every program, built into each under :/i18n.
inline constexpr const char* kLowerLayerContext = "lower_layer";

// Installs the lower layers' texts for `locale` (or the one file `qmFile` names); false when the
// program carries none for it.
inline bool InstallLowerLayerLanguage(const QLocale& locale = QLocale(), const QString& qmFile = {}) {
  static QTranslator translator;
  const bool loaded =
      qmFile.isEmpty() ? translator.load(locale, kLowerLayerContext, "_", ":/i18n") : translator.load(qmFile);
  if (loaded) QCoreApplication::installTranslator(&translator);
  return loaded;
}

// `english`, a text of a lower layer, in the language of the installed translators.
inline QString LowerLayerText(std::string_view english) {
  return TextByPattern(kLowerLayerContext, english, kLowerLayerTexts)
      .value_or(QString::fromUtf8(english.data(), static_cast<qsizetype>(english.size())));
}

}  // namespace tarn::text
