#include "platform/qt/qt_frame_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QString>
#include <QUrl>
#include <set>

#include "platform/framework/cmenu.h"
#include "platform/framework/cwnd.h"
#include "platform/qt/key_translation.h"

namespace platform::qt {
namespace {

bool enabledState(UINT state) { return (state & (MF_GRAYED | MF_DISABLED)) == 0; }

QString firstLocalFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return {};
}

QKeySequence keySequence(const ACCEL& accel) {
  int key = 0;
  if ((accel.fVirt & FVIRTKEY) != 0) {
    key = qtKeyFromVirtualKey(accel.key);
  } else if (accel.key >= 0x20 && accel.key < 0x7F) {
    key = static_cast<int>(accel.key);  // a character: Qt keys of ASCII are ASCII
  }
  if (key == 0) return {};
  Qt::KeyboardModifiers modifiers;
  if ((accel.fVirt & FCONTROL) != 0) modifiers |= Qt::ControlModifier;
  if ((accel.fVirt & FSHIFT) != 0) modifiers |= Qt::ShiftModifier;
  if ((accel.fVirt & FALT) != 0) modifiers |= Qt::AltModifier;
  return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

}  // namespace

QtFrameWindow::QtFrameWindow(CWnd& wnd) : wnd_(&wnd) {}

void QtFrameWindow::setMenuModel(CMenu* menu) {
  model_ = menu;
  commands_.clear();
  QMenuBar* bar = menuBar();
  bar->clear();
  if (menu == nullptr) return;
  for (int position = 0; position < menu->GetMenuItemCount(); ++position) {
    const MenuItem* item = menu->ItemAt(position);
    if (item->popup) {
      QMenu* popup = bar->addMenu(QString::fromStdString(item->text));
      fillMenu(*popup, *item->popup);
      CMenu* popupModel = item->popup.get();
      const auto index = static_cast<UINT>(position);
      connect(popup, &QMenu::aboutToShow, this, [this, popupModel, index] {
        // The frame enables and greys items now; the popup shows their state.
        if (wnd_ != nullptr) wnd_->DispatchInitMenuPopup(popupModel, index, FALSE);
        refreshEnabledStates();
      });
    } else if (item->separator) {
      bar->addSeparator();
    } else {
      addCommand(bar->addAction(QString::fromStdString(item->text)), item->id, item->state);
    }
  }
}

void QtFrameWindow::fillMenu(QMenu& menu, CMenu& model) {
  for (int position = 0; position < model.GetMenuItemCount(); ++position) {
    const MenuItem* item = model.ItemAt(position);
    if (item->popup) {
      fillMenu(*menu.addMenu(QString::fromStdString(item->text)), *item->popup);
    } else if (item->separator) {
      menu.addSeparator();
    } else {
      addCommand(menu.addAction(QString::fromStdString(item->text)), item->id, item->state);
    }
  }
}

void QtFrameWindow::addCommand(QAction* action, UINT id, UINT state) {
  action->setEnabled(enabledState(state));
  connect(action, &QAction::triggered, this, [this, id] { dispatchCommand(id); });
  commands_.push_back({action, id});
}

void QtFrameWindow::refreshEnabledStates() {
  if (model_ == nullptr) return;
  for (const auto& command : commands_) {
    const MenuItem* item = model_->FindItem(command.id);
    if (item != nullptr) command.action->setEnabled(enabledState(item->state));
  }
}

void QtFrameWindow::dispatchCommand(UINT id) {
  if (wnd_ != nullptr) wnd_->DispatchCommand(id);
}

QAction* QtFrameWindow::actionForCommand(UINT id) const {
  for (const auto& command : commands_) {
    if (command.id == id) return command.action;
  }
  return nullptr;
}

void QtFrameWindow::setAccelerators(const std::vector<ACCEL>& table) {
  for (QShortcut* shortcut : shortcuts_) delete shortcut;
  shortcuts_.clear();
  std::set<QKeySequence> taken;
  for (const ACCEL& accel : table) {
    const QKeySequence sequence = keySequence(accel);
    // The first entry of a key wins, as in a lookup of the table.
    if (sequence.isEmpty() || !taken.insert(sequence).second) continue;
    auto* shortcut = new QShortcut(sequence, this);
    shortcut->setContext(Qt::WindowShortcut);
    const UINT id = accel.cmd;
    connect(shortcut, &QShortcut::activated, this, [this, id] { dispatchCommand(id); });
    shortcuts_.push_back(shortcut);
  }
}

void QtFrameWindow::closeEvent(QCloseEvent* event) {
  if (wnd_ != nullptr) wnd_->DispatchClose();
  event->accept();
  QCoreApplication::exit(0);
}

void QtFrameWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!firstLocalFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void QtFrameWindow::dropEvent(QDropEvent* event) {
  const QString path = firstLocalFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Only the first file is opened, as a single-document window does.
  if (wnd_ != nullptr) wnd_->DispatchDropFiles(path.toStdString());
}

}  // namespace platform::qt
