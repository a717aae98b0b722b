// The message boxes of the engine in the system's own words: the window shows them as they are,
// the command line says them in the user's language (converter/cli/engine_message_text.*).
// The engine's further messages, which the system did not have, go through Tr() themselves.
#pragma once

#include <string_view>

#include "converter/graph/graph_messages.h"

namespace tarn::conv {

inline constexpr std::string_view kWarning = "Warning";
inline constexpr std::string_view kClosePreviewFirst =
    "请关闭预览窗口，再进行转换";  // close the preview window, then convert
inline constexpr std::string_view kCloseConversionFirst =
    "请关闭转换窗口，再进行预览";  // close the conversion window, then preview
inline constexpr std::string_view kNoLanguageInformation = "Not ready to find language information";
inline constexpr std::string_view kSubpictureLanguageFailed = "WARNING: GetSubpictureLanguage Failed!";
inline constexpr std::string_view kAudioLanguageFailed = "WARNING: GetAudioLanguage Failed!";
inline constexpr std::string_view kNoAudioSelection = "WARNING: Couldn't get selected Audio stream";
inline constexpr std::string_view kNoSubpictureSelection = "WARNING: Couldn't get selected SP stream id";

}  // namespace tarn::conv
