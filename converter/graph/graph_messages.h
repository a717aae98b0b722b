// The message boxes of the graph object, in the system's own words (the window shows them as
// they are; the command line says them in the user's language).
#pragma once

#include <string_view>

namespace tarn::conv {

inline constexpr std::string_view kWarningCaption = "警告";  // warning
inline constexpr std::string_view kNoDecoder = "没有发现GPL MPEG-1/2 Decoder，可能无法显示字幕";
inline constexpr std::string_view kNoVideoEncoder =
    "没有发现'Tarn Video Encoder for GAME'。不能转换视频。请重新安装软件再试。";
inline constexpr std::string_view kNoAudioEncoder =
    "没有发现'Tarn Audio Encoder for DVD'。不能转换音频。请重新安装软件再试。";

inline constexpr std::string_view kDvdErrorCaption = "DVD Error!";
inline constexpr std::string_view kOlderInfoInterface =
    "This version of the application cannot run using\nthe current components. ";
inline constexpr std::string_view kOlderControlInterface = "This version of the application cannot run .";
inline constexpr std::string_view kCannotPlay = "Sorry, can't play DVD-Video titles.";
inline constexpr std::string_view kNoGraphManager = "Sorry, can't create the filter graph.";

}  // namespace tarn::conv
