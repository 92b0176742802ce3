#include "platform/qt/qt_dialog.h"

#include <QDialog>
#include <QString>

#include "platform/framework/cdialog.h"

namespace platform::qt {
namespace {

// A dialog window whose Enter, Escape and close button go through the
// dialog object's OnOK and OnCancel, as the framework's dialogs do.
class DialogWindow final : public QDialog {
 public:
  DialogWindow(CWnd& dialog, QWidget* parent) : QDialog(parent), dialog_(dialog) {}

  void accept() override {
    if (auto* owner = dynamic_cast<CDialog*>(&dialog_)) owner->OnOK();
  }
  void reject() override {
    if (auto* owner = dynamic_cast<CDialog*>(&dialog_)) owner->OnCancel();
  }

  // EndDialog may come before the loop runs (from OnInitDialog).
  bool ended = false;
  int result = IDCANCEL;

 private:
  CWnd& dialog_;
};

}  // namespace

QDialog* createQtDialogWindow(CWnd& dialog, QWidget* parent) {
  return new DialogWindow(dialog, parent);
}

int runQtDialog(CDialog& dialog, QDialog& window) {
  const auto& dialogTemplate = dialog.GetTemplate();
  window.setWindowTitle(QString::fromStdString(dialogTemplate.caption));
  // Dialog units: roughly 1.5 pixels across and 1.6 down at an 8-point face.
  window.resize(dialogTemplate.cx * 3 / 2, dialogTemplate.cy * 8 / 5);
  auto* own = dynamic_cast<DialogWindow*>(&window);
  if (own != nullptr) own->ended = false;
  dialog.OnInitDialog();
  if (own != nullptr && own->ended) return own->result;
  const int result = window.exec();
  return own != nullptr ? own->result : result;
}

void endQtDialog(CDialog& /*dialog*/, QDialog& window, int result) {
  if (auto* own = dynamic_cast<DialogWindow*>(&window)) {
    own->ended = true;
    own->result = result;
  }
  window.done(result);
}

}  // namespace platform::qt
