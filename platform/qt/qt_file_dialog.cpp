#include "platform/qt/qt_file_dialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/qt/file_filter.h"
#include "platform/qt/name_only_icon_provider.h"

namespace platform::qt {
namespace {

QString patternFilterOf(const QString& name) {
  return QString::fromStdString(qtPatternFilter(name.trimmed().toStdString()));
}

// While the name field holds a wildcard pattern, a filter entry of that
// pattern stands in front of the written entries, selected, so the list
// shows what the pattern matches. Picking another entry or typing a name
// takes it away and the written entries apply as they are. A name holding a
// wildcard is applied this way when confirmed, never taken for a file name.
class FileDialog final : public QFileDialog {
 public:
  FileDialog(QWidget* parent, QAbstractFileIconProvider& icons) : QFileDialog(parent) {
    // The toolkit's own dialog, not the desktop's, so that the icons and type
    // names come from a provider that never reads a listed file.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontUseCustomDirectoryIcons);
    setIconProvider(&icons);
    nameField_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    filterBox_ = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (nameField_ != nullptr) followTheNameField();
    // Queued, like the name field's: the filters change once the filter box
    // has finished handling the pick.
    connect(
        this, &QFileDialog::filterSelected, this,
        [this](const QString& filter) {
          if (!patternEntry_.isEmpty() && filter != patternEntry_) dropPattern(filter);
        },
        Qt::QueuedConnection);
    if (nameField_ != nullptr && filterBox_ != nullptr) keepTheNameOnFilterPicks();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // Every pick of a filter begins with an event to the filter box or its
    // list; from there on the name changes only by the pick.
    if (filterBoxParts_.contains(watched)) nameBeforePick_ = nameField_->text();
    return QFileDialog::eventFilter(watched, event);
  }

  void setWrittenFilters(const QStringList& filters) {
    written_ = filters.isEmpty() ? nameFilters() : filters;
    setNameFilters(written_);
  }

  // Puts the name in the name field; a wildcard name is applied as a filter.
  void setInitialName(const QString& name) {
    selectFile(name);
    const QString pattern = patternFilterOf(name);
    if (!pattern.isEmpty()) showPattern(pattern);
  }

 protected:
  void accept() override {
    if (!applyTypedPattern()) QFileDialog::accept();
  }

 private:
  void followTheNameField() {
    // Queued: the filters change once the field has finished handling the
    // key.
    connect(
        nameField_, &QLineEdit::textEdited, this,
        [this] {
          if (!patternEntry_.isEmpty() && patternFilterOf(nameField_->text()) != patternEntry_) {
            dropPattern(written_.value(0));
          }
        },
        Qt::QueuedConnection);
    // The open dialog's button stays disabled while the name matches no
    // file, so Enter on a pattern is taken here as well as in accept().
    connect(nameField_, &QLineEdit::returnPressed, this, [this] { applyTypedPattern(); });
  }

  // A save dialog gives the name in the field the extension of the filter
  // the user picks, so that the file saved would not be the one named. The
  // name as it stood when the pick began is put back.
  void keepTheNameOnFilterPicks() {
    filterBoxParts_ = {filterBox_, filterBox_->view(), filterBox_->view()->viewport()};
    for (QObject* part : filterBoxParts_) part->installEventFilter(this);
    connect(this, &QFileDialog::filterSelected, this, [this] {
      if (nameField_->text() != nameBeforePick_) nameField_->setText(nameBeforePick_);
    });
  }

  // A name whose last part holds a wildcard, perhaps after a folder, shows
  // that folder filtered by it. False for any other name.
  bool applyTypedPattern() {
    if (nameField_ == nullptr) return false;
    const QString name = nameField_->text().trimmed();
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const QString folder = name.left(slash + 1);
    const QString last = name.mid(slash + 1);
    const QString pattern = patternFilterOf(last);
    if (pattern.isEmpty() || !patternFilterOf(folder).isEmpty()) return false;
    if (!folder.isEmpty()) {
      const QDir target(directory().absoluteFilePath(folder));
      if (!target.exists()) return true;  // no such folder: nothing to show
      setDirectory(target.absolutePath());
    }
    nameField_->setText(last);
    showPattern(pattern);
    return true;
  }

  void showPattern(const QString& pattern) {
    patternEntry_ = pattern;
    keepingTheName([this, &pattern] {
      setNameFilters(QStringList{pattern} + written_);
      selectNameFilter(pattern);
    });
  }

  void dropPattern(const QString& chosen) {
    patternEntry_.clear();
    keepingTheName([this, &chosen] {
      setNameFilters(written_);
      selectNameFilter(chosen);
    });
  }

  // The filters changed here leave the user's name as it was (see above).
  void keepingTheName(const std::function<void()>& change) {
    if (nameField_ == nullptr) {
      change();
      return;
    }
    const QString name = nameField_->text();
    const int cursor = nameField_->cursorPosition();
    change();
    if (nameField_->text() != name) {
      nameField_->setText(name);
      nameField_->setCursorPosition(cursor);
    }
  }

  QLineEdit* nameField_ = nullptr;
  QComboBox* filterBox_ = nullptr;
  QList<QObject*> filterBoxParts_;
  QString nameBeforePick_;
  QStringList written_;
  QString patternEntry_;  // empty while the written entries apply
};

// The folder the dialog opens in. The current folder may have been deleted
// (by another program, or with the folder it lay in): then the home folder.
QString startFolder() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (!error && std::filesystem::is_directory(current, error)) {
    return QString::fromStdString(current.string());
  }
  return QDir::homePath();
}

}  // namespace

bool runQtFileDialog(FileDialogRequest& request, QWidget* owner) {
  // Made before the dialog and gone after it: the dialog's lister asks it
  // until the dialog is destroyed.
  NameOnlyIconProvider icons;
  FileDialog dialog(owner != nullptr ? owner->window() : nullptr, icons);
  dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDirectory(startFolder());
  const QString filter = QString::fromStdString(qtFileFilter(request.filter));
  dialog.setWrittenFilters(filter.isEmpty() ? QStringList{} : filter.split(QStringLiteral(";;")));
  if (!request.defaultExtension.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  }
  if (!request.initialFileName.empty()) {
    dialog.setInitialName(QString::fromStdString(request.initialFileName));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  // The dialog gives absolute paths; made absolute from its own folder all
  // the same, never from a current folder that may be gone.
  const QString selected = dialog.selectedFiles().first();
  const std::filesystem::path chosen =
      std::filesystem::path(dialog.directory().absoluteFilePath(selected).toStdString())
          .lexically_normal();
  // The caller opens the file by its bare name in the current folder: a
  // folder that cannot be made current would have it open another file.
  std::error_code error;
  std::filesystem::current_path(chosen.parent_path(), error);
  if (error) {
    QMessageBox::warning(
        owner != nullptr ? owner->window() : nullptr, dialog.windowTitle(),
        QStringLiteral("The folder %1 cannot be opened: %2.\nChoose a file in another folder.")
            .arg(QString::fromStdString(chosen.parent_path().string()),
                 QString::fromStdString(error.message())));
    return false;
  }
  request.chosenPath = chosen.string();
  return true;
}

}  // namespace platform::qt
