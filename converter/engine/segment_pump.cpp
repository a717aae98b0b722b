#include "converter/engine/segment_pump.h"

#include <QEventLoop>

namespace tarn::conv {

SegmentPump::End SegmentPump::Run() {
  QEventLoop loop;
  finished_ = false;
  loop_ = &loop;
  // An application already quitting makes exec() return at once with -1.
  const int code = loop.exec();
  loop_ = nullptr;
  if (finished_) return End::Finished;
  quitCode_ = code;
  return End::QuitRequested;
}

void SegmentPump::Finish() {
  if (loop_ == nullptr) return;
  finished_ = true;
  loop_->exit(0);
}

}  // namespace tarn::conv
