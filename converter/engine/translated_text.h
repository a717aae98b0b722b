// Texts of tarnconv in the user's language: the command line's, and the engine's own messages
// (not the system's texts, which stay as they are). The English source text goes through Qt's
// translators (context "tarnconv"; converter/translations/tarnconv_*.ts, installed by the
// command line only: the window keeps its texts) and its %1, %2, ... are filled in one pass. A
// count picks its English form here; a translation gives each form its own text.
#pragma once

#include "base/lower_layer_texts.h"
#include "base/translated_text.h"

#include <concepts>
#include <string>
#include <string_view>

namespace tarn::conv {

template <typename... Args>
std::string Tr(const char* source, const Args&... args) {
  return text::Translated("tarnconv", source, args...).toStdString();
}

using text::TrNoop;

// A text of a lower layer (a reader's refusal, a disc error) in the user's language.
inline std::string TrLower(std::string_view english) { return text::LowerLayerText(english).toStdString(); }

// `one` for a count of 1, else `many`; the count is %1.
template <std::integral Number, typename... Args>
std::string TrCount(Number count, const char* one, const char* many, const Args&... args) {
  return Tr(count == 1 ? one : many, count, args...);
}

}  // namespace tarn::conv
