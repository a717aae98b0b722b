// The controls of the command line: kept in memory like the tests' controls, with every message
// box written to the error stream as it is shown, in the user's language.
#pragma once

#include <ostream>

#include "converter/cli/engine_message_text.h"
#include "converter/engine/memory_controls.h"

namespace tarn::conv {

class ConsoleControls final : public MemoryControls {
 public:
  explicit ConsoleControls(std::ostream& err) : err_(err) {}

  void ShowMessage(std::string_view text, std::string_view caption) override {
    MemoryControls::ShowMessage(text, caption);
    err_ << "tarnconv: " << CommandLineText(caption) << ": " << CommandLineText(text) << '\n' << std::flush;
  }

 private:
  std::ostream& err_;
};

}  // namespace tarn::conv
