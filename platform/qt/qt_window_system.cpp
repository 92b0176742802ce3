#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "platform/desktop/screen_geometry.h"
#include "platform/framework/cdialog.h"
#include "platform/framework/cwnd.h"
#include "platform/qt/image_surface.h"
#include "platform/qt/message_box_style.h"
#include "platform/qt/qt_dialog.h"
#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_frame_window.h"
#include "platform/qt/qt_view_widget.h"

namespace platform::qt {
namespace {

// Wide enough for a device path and a command on one line each.
constexpr int kDetailMinimumWidthPx = 440;

bool sizeGiven(const CREATESTRUCT& cs) { return cs.cx != CW_USEDEFAULT && cs.cy != CW_USEDEFAULT; }

QMessageBox::Icon qtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Stop:
      return QMessageBox::Critical;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::Exclamation:
      return QMessageBox::Warning;
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtWindowSystem::QtWindowSystem()
    : timers_([this](WindowHandle window, UINT_PTR id) { deliverTick(window, id); }) {}

QtWindowSystem::~QtWindowSystem() = default;

QWidget* QtWindowSystem::widget(WindowHandle window) const {
  const Window* entry = find(window);
  return entry != nullptr ? entry->widget.data() : nullptr;
}

QtViewWidget* QtWindowSystem::view(WindowHandle window) const {
  const Window* entry = find(window);
  if (entry == nullptr || entry->kind != WindowKind::View) return nullptr;
  return static_cast<QtViewWidget*>(entry->widget.data());
}

QtFrameWindow* QtWindowSystem::frame(WindowHandle window) const {
  const Window* entry = find(window);
  if (entry == nullptr || entry->kind != WindowKind::Frame) return nullptr;
  return static_cast<QtFrameWindow*>(entry->widget.data());
}

WindowHandle QtWindowSystem::createWindow(CWnd& wnd, WindowKind kind, WindowHandle parent,
                                          const CREATESTRUCT& cs) {
  QWidget* parentWidget = widget(parent);
  QWidget* created = nullptr;
  switch (kind) {
    case WindowKind::Frame: {
      auto* frameWindow = new QtFrameWindow(wnd);
      // The size asked for is the whole window, menu bar included.
      if (sizeGiven(cs)) frameWindow->resize(cs.cx, cs.cy);
      created = frameWindow;
      break;
    }
    case WindowKind::View: {
      if (auto* frameWindow = frame(parent)) {
        auto* viewWidget = new QtViewWidget(wnd, frameWindow);
        frameWindow->setCentralWidget(viewWidget);
        // The view is where keys go whenever its frame is active.
        viewWidget->setFocus(Qt::OtherFocusReason);
        created = viewWidget;
      } else {
        created = new QtViewWidget(wnd, parentWidget);
        created->resize(sizeGiven(cs) ? cs.cx : kDefaultViewWidthPx,
                        sizeGiven(cs) ? cs.cy : kDefaultViewHeightPx);
      }
      break;
    }
    case WindowKind::Dialog:
      created =
          createQtDialogWindow(wnd, parentWidget != nullptr ? parentWidget->window() : nullptr);
      break;
  }
  if (created == nullptr) return kNoWindow;
  return add(Window{{created}, &wnd, kind});
}

void QtWindowSystem::destroyWindow(WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  timers_.killAll(window);
  if (caretOwner_ == window) caretOwner_ = kNoWindow;
  QWidget* gone = it->second.widget.data();
  windows_.erase(it);
  if (gone == nullptr || QCoreApplication::instance() == nullptr) return;
  if (auto* viewWidget = dynamic_cast<QtViewWidget*>(gone)) viewWidget->detach();
  if (auto* frameWindow = dynamic_cast<QtFrameWindow*>(gone)) frameWindow->detach();
  gone->hide();
  // It may be destroyed from inside one of its own events.
  gone->deleteLater();
}

void QtWindowSystem::setWindowText(WindowHandle window, const std::string& text) {
  if (QWidget* target = widget(window)) target->setWindowTitle(QString::fromStdString(text));
}

std::string QtWindowSystem::windowText(WindowHandle window) const {
  const QWidget* target = widget(window);
  return target != nullptr ? target->windowTitle().toStdString() : std::string();
}

CRect QtWindowSystem::clientRect(WindowHandle window) const {
  if (const QtViewWidget* viewWidget = view(window)) {
    return CRect{0, 0, viewWidget->imageSize().width(), viewWidget->imageSize().height()};
  }
  if (const QtFrameWindow* frameWindow = frame(window)) {
    // The client area of a frame lies below its menu bar.
    const QWidget* central = frameWindow->centralWidget();
    if (central != nullptr) return CRect{0, 0, central->width(), central->height()};
    const int bar = frameWindow->menuWidget() != nullptr ? frameWindow->menuWidget()->height() : 0;
    return CRect{0, 0, frameWindow->width(), frameWindow->height() - bar};
  }
  if (const QWidget* target = widget(window)) return CRect{0, 0, target->width(), target->height()};
  return CRect{};
}

void QtWindowSystem::showWindow(WindowHandle window) {
  if (QWidget* target = widget(window)) target->show();
}

void QtWindowSystem::invalidate(WindowHandle window) {
  if (QtViewWidget* viewWidget = view(window)) {
    viewWidget->invalidate();
  } else if (QWidget* target = widget(window)) {
    target->update();
  }
}

void QtWindowSystem::setMenu(WindowHandle frameHandle, CMenu* menu) {
  if (QtFrameWindow* frameWindow = frame(frameHandle)) frameWindow->setMenuModel(menu);
}

void QtWindowSystem::setAccelerators(WindowHandle frameHandle, const std::vector<ACCEL>& table) {
  if (QtFrameWindow* frameWindow = frame(frameHandle)) frameWindow->setAccelerators(table);
}

void QtWindowSystem::dragAcceptFiles(WindowHandle frameHandle, bool accept) {
  if (QtFrameWindow* frameWindow = frame(frameHandle)) frameWindow->setAcceptFiles(accept);
}

bool QtWindowSystem::setTimer(WindowHandle window, UINT_PTR id, UINT periodMs) {
  if (find(window) == nullptr) return false;
  timers_.set(window, id, periodMs);
  return true;
}

bool QtWindowSystem::killTimer(WindowHandle window, UINT_PTR id) {
  return timers_.kill(window, id);
}

void QtWindowSystem::deliverTick(WindowHandle window, UINT_PTR id) {
  if (Window* entry = find(window)) entry->wnd->DispatchTimer(id);
}

void QtWindowSystem::caretChanged(const CaretState& caret) {
  if (caretOwner_ != caret.owner) {
    if (QtViewWidget* previous = view(caretOwner_)) previous->removeCaret();
    caretOwner_ = caret.owner;
  }
  if (QtViewWidget* owner = view(caret.owner)) owner->setCaret(caret);
}

std::unique_ptr<DrawSurface> QtWindowSystem::viewSurface(WindowHandle window, DrawKind kind) {
  QtViewWidget* viewWidget = view(window);
  if (viewWidget == nullptr) return nullptr;
  return std::make_unique<ImageSurface>(viewWidget->drawList(), window, kind);
}

void QtWindowSystem::drawEnded(DrawSurface& surface) {
  const auto* drawn = dynamic_cast<const ImageSurface*>(&surface);
  QtViewWidget* viewWidget = drawn != nullptr ? view(drawn->window()) : nullptr;
  if (viewWidget != nullptr) viewWidget->drawn(drawn->touched(), drawn->kind());
}

int QtWindowSystem::messageBox(const MessageBoxRequest& request) {
  QWidget* owner = widget(request.owner);
  QMessageBox box(owner != nullptr ? owner->window() : nullptr);
  box.setWindowTitle(QString::fromStdString(request.caption));
  // The system's texts are shown as written, never taken for markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(request.text));
  if (!request.detail.empty()) {
    // Why it failed and what to do stands under the text, read without a
    // further click, which a collapsed details area would ask for.
    box.setInformativeText(QString::fromStdString(request.detail));
    if (auto* detail = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
      detail->setTextFormat(Qt::PlainText);
      // A reason holds paths and commands; a box as narrow as its short
      // text would break them over many lines.
      detail->setMinimumWidth(kDetailMinimumWidthPx);
    }
  }
  const BoxLayout layout = boxLayoutForStyle(request.style);
  box.setIcon(qtIcon(layout.icon));
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  QPushButton* cancel =
      layout.buttons == BoxButtons::OkCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel != nullptr ? cancel : ok);
  box.exec();
  if (box.clickedButton() == ok) return IDOK;
  if (cancel != nullptr && box.clickedButton() == cancel) return IDCANCEL;
  return dismissResult(layout.buttons);
}

int QtWindowSystem::runModalDialog(CDialog& dialog) {
  if (!dialog.CreateNative(WindowKind::Dialog, dialog.GetParentWnd(), CREATESTRUCT{})) return -1;
  auto* window = dynamic_cast<QDialog*>(widget(dialog.m_hWnd));
  const int result = window != nullptr ? runQtDialog(dialog, *window) : -1;
  dialog.DestroyWindow();
  return result;
}

void QtWindowSystem::endModalDialog(CDialog& dialog, int result) {
  if (auto* window = dynamic_cast<QDialog*>(widget(dialog.m_hWnd))) {
    endQtDialog(dialog, *window, result);
  }
}

bool QtWindowSystem::runFileDialog(FileDialogRequest& request) {
  QWidget* owner = widget(request.owner);
  if (owner == nullptr) {
    // No owner given: the main window owns the dialog.
    for (const auto& [handle, entry] : windows_) {
      if (entry.kind == WindowKind::Frame && entry.widget != nullptr) {
        owner = entry.widget.data();
        break;
      }
    }
  }
  return runQtFileDialog(request, owner);
}

int QtWindowSystem::runNativeLoop() { return QApplication::exec(); }

void QtWindowSystem::quitNativeLoop(int exitCode) { QCoreApplication::exit(exitCode); }

namespace {
QApplication* application = nullptr;
}

QtWindowSystem& installQtWindowSystem(int& argc, char** argv) {
  // The application is not destroyed at exit: Qt's own globals may be gone by
  // the time an exit handler or a static object's destructor runs.
  // shutDownQtApplication ends it while they still exist.
  if (QCoreApplication::instance() == nullptr) application = new QApplication(argc, argv);
  // Never destroyed: window objects of static lifetime may still close their
  // windows while the process ends.
  static auto* system = new QtWindowSystem;
  installWindowSystem(system);
  return *system;
}

void shutDownQtApplication() {
  if (application == nullptr) return;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (QWidget* window : QApplication::topLevelWidgets()) delete window;
  delete application;
  application = nullptr;
}

}  // namespace platform::qt
