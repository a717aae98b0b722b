#include "folder_list.h"

#include <QDir>
#include <QFileInfo>

namespace picfit::ui {

namespace {
const QString kParentEntry = QStringLiteral("..");
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemActivated, this, &FolderList::open);
}

bool FolderList::setPath(const QString& folder) {
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir() || !info.isReadable() || !info.isExecutable()) return false;
  path_ = QDir::cleanPath(info.absoluteFilePath());
  fill();
  emit pathChanged(path_);
  return true;
}

void FolderList::refresh() { fill(); }

void FolderList::fill() {
  clear();
  const QDir dir(path_);
  if (!dir.isRoot()) addItem(kParentEntry);
  const QStringList names =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
  addItems(names);
}

void FolderList::open(QListWidgetItem* item) {
  if (item == nullptr) return;
  const QString target =
      item->text() == kParentEntry ? QFileInfo(path_).dir().absolutePath() : QDir(path_).filePath(item->text());
  setPath(target);  // an unreadable folder simply stays closed
}

}  // namespace picfit::ui
