#pragma once
// The folder list of the folder picker: the parent entry ".." and the
// sub-folders of one current folder. Activating an entry (double click or
// Enter) opens it.

#include <QListWidget>
#include <QString>

namespace picfit::ui {

class FolderList : public QListWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The current folder, absolute, without a trailing "/" except for "/".
  QString path() const { return path_; }

  // Shows the sub-folders of `folder`; false (and nothing changes) when it
  // is not a readable folder.
  bool setPath(const QString& folder);

  // Re-reads the current folder, for example after a folder was created.
  void refresh();

 signals:
  void pathChanged(const QString& folder);

 private:
  void open(QListWidgetItem* item);
  void fill();

  QString path_;
};

}  // namespace picfit::ui
