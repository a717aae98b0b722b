#include "tools/tmvtool/interrupt.h"

#include <signal.h>

namespace tarn::tmvtool {

namespace {

volatile sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int /*signal*/) { interrupted = 1; }

}  // namespace

InterruptWatch::InterruptWatch() {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  ::sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

InterruptWatch::~InterruptWatch() {
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
}

bool InterruptWatch::Interrupted() { return interrupted != 0; }

}  // namespace tarn::tmvtool
