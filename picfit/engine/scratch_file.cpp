#include "scratch_file.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace picfit {
namespace {

// The user's runtime folder is private to the user; the temporary folder
// is the fallback when there is none.
QString ScratchFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable()) return runtime;
  return QDir::tempPath();
}

}  // namespace

ScratchFile::ScratchFile()
    : file_(std::make_unique<QTemporaryFile>(ScratchFolder() + QStringLiteral("/picfit-XXXXXX.bmp"))) {
  // open() creates the file with a unique name, readable only by the user.
  if (!file_->open())
    file_.reset();
  else
    file_->close();  // the name stays reserved until the object goes
}

ScratchFile::~ScratchFile() = default;

bool ScratchFile::IsValid() const { return file_ != nullptr; }

QString ScratchFile::Path() const { return file_ ? file_->fileName() : QString(); }

void ScratchFile::Remove() { file_.reset(); }

}  // namespace picfit
