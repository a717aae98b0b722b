#pragma once
// The private scratch bitmap of one run: the 24-bit intermediate of the
// handheld format and the hand-over file of the fallback loader. Created
// with a unique name, readable only by the user, in the user's runtime (or
// temporary) folder; removed when the object goes away.

#include <QString>

#include <memory>

class QTemporaryFile;

namespace picfit {

class ScratchFile {
 public:
  ScratchFile();
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  bool IsValid() const;  // false when no temporary file could be made
  QString Path() const;  // absolute path, empty when not valid
  void Remove();         // deletes the file now; Path() becomes empty

 private:
  std::unique_ptr<QTemporaryFile> file_;
};

}  // namespace picfit
