#include "converter/cli/engine_message_text.h"

#include <array>
#include <utility>

#include "converter/engine/engine_messages.h"
#include "converter/engine/translated_text.h"

namespace tarn::conv {

namespace {

// The system's text and its English source for the command line's translations.
constexpr std::array<std::pair<std::string_view, const char*>, 14> kSystemTexts{{
    {kWarningCaption, TrNoop("warning")},
    {kWarning, TrNoop("warning")},
    {kDvdErrorCaption, TrNoop("DVD error")},
    {kNoDecoder, TrNoop("the filter \"GPL MPEG-1/2 Decoder\" was not found: subtitles may not be shown")},
    {kNoVideoEncoder, TrNoop("the filter \"Tarn Video Encoder for GAME\" was not found: the video cannot be "
                             "converted. Install the program again and retry.")},
    {kNoAudioEncoder, TrNoop("the filter \"Tarn Audio Encoder for DVD\" was not found: the sound cannot be "
                             "converted. Install the program again and retry.")},
    {kOlderInfoInterface, TrNoop("this version of the program cannot run with the installed filters")},
    {kOlderControlInterface, TrNoop("this version of the program cannot run with the installed filters")},
    {kCannotPlay, TrNoop("DVD-Video titles cannot be played")},
    {kNoGraphManager, TrNoop("the filter graph cannot be made")},
    {kNoLanguageInformation, TrNoop("the languages of the streams cannot be read yet")},
    {kSubpictureLanguageFailed, TrNoop("the language of a subtitle stream cannot be read")},
    {kAudioLanguageFailed, TrNoop("the language of an audio stream cannot be read")},
    {kNoAudioSelection, TrNoop("no audio stream is chosen")},
}};

}  // namespace

std::string CommandLineText(std::string_view engineText) {
  for (const auto& [system, english] : kSystemTexts)
    if (system == engineText) return Tr(english);
  return std::string(engineText);
}

}  // namespace tarn::conv
