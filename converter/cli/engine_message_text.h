// The message boxes of the engine and the graph object on the command line. The system's own
// texts (Chinese, or the English of the original) stay as they are for the window; here each is
// found by its exact text and said in the user's language. Any other text, the engine's own
// messages, has been translated where it was made and passes unchanged.
#pragma once

#include <string>
#include <string_view>

namespace tarn::conv {

std::string CommandLineText(std::string_view engineText);

}  // namespace tarn::conv
