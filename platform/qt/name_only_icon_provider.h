// Icons and type names for the file dialogs taken from a listed entry's name
// and kind alone. The toolkit's own provider asks the MIME database, which
// reads a file's first bytes when the name does not settle its type; on
// /proc/kmsg, a named pipe or a hung network share that read never returns
// and the dialog, with the window under it, stops answering.
#pragma once

#include <QAbstractFileIconProvider>
#include <QIcon>

namespace platform::qt {

class NameOnlyIconProvider final : public QAbstractFileIconProvider {
 public:
  // Needs the application; the icons are made once, here, on the thread of
  // the windows, since the dialog's lister asks from a thread of its own.
  NameOnlyIconProvider();

  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;

 private:
  QIcon drive_;
  QIcon folder_;
  QIcon file_;
  QIcon computer_;
};

}  // namespace platform::qt
