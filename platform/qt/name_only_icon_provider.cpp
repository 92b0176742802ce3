#include "platform/qt/name_only_icon_provider.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace platform::qt {

NameOnlyIconProvider::NameOnlyIconProvider() {
  QStyle* style = QApplication::style();
  drive_ = style->standardIcon(QStyle::SP_DriveHDIcon);
  folder_ = style->standardIcon(QStyle::SP_DirIcon);
  file_ = style->standardIcon(QStyle::SP_FileIcon);
  computer_ = style->standardIcon(QStyle::SP_ComputerIcon);
  setOptions(DontUseCustomDirectoryIcons);
}

QIcon NameOnlyIconProvider::icon(IconType type) const {
  switch (type) {
    case Computer:
      return computer_;
    case Drive:
      return drive_;
    case Desktop:
    case Trashcan:
    case Network:
    case Folder:
      return folder_;
    case File:
      break;
  }
  return file_;
}

// Everything below comes from the entry's status (its kind), never from
// its content.
QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return drive_;
  return info.isDir() ? folder_ : file_;
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
  if (info.isRoot()) return QStringLiteral("Drive");
  if (info.isDir()) return QStringLiteral("Folder");
  if (info.isFile()) {
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
  }
  if (info.isSymLink()) return QStringLiteral("Shortcut");
  // Pipes, sockets and devices: listed, never opened.
  return QStringLiteral("Special File");
}

}  // namespace platform::qt
