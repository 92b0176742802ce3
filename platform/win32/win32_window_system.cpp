#include "platform/win32/win32_window_system.h"

#include <chrono>
#include <cstdio>

#include "platform/framework/cdialog.h"
#include "platform/framework/cmenu.h"
#include "platform/framework/cwinapp.h"
#include "platform/framework/cwnd.h"
#include "platform/win32/cell_page.h"
#include "platform/win32/win32_common_dialogs.h"
#include "platform/win32/win32_dialog.h"
#include "platform/win32/win32_paint.h"
#include "platform/win32/win32_window.h"

namespace platform::win32 {

// A device context's drawing, kept until the context ends; then the window
// system decides how it reaches the screen.
class RecordedSurface final : public DrawSurface {
 public:
  RecordedSurface(WindowHandle window, DrawKind kind, CRect client)
      : window_(window), kind_(kind), client_(client) {}

  CRect clientRect() const override { return client_; }
  void fillSolidRect(const CRect& rect, COLORREF color) override {
    operations_.push_back({.fill = true, .rect = rect, .colour = color});
  }
  void textOut(int x, int y, COLORREF color, const LogFont& font, const BYTE* bytes,
               int count) override {
    if (count <= 0) return;
    operations_.push_back({.colour = color,
                           .x = x,
                           .y = y,
                           .font = font,
                           .bytes = std::string(reinterpret_cast<const char*>(bytes),
                                                static_cast<std::size_t>(count))});
  }

  WindowHandle window() const { return window_; }
  DrawKind kind() const { return kind_; }
  const std::vector<DrawOperation>& operations() const { return operations_; }

 private:
  WindowHandle window_;
  DrawKind kind_;
  CRect client_;
  std::vector<DrawOperation> operations_;
};

namespace {

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

NativeFont nativeFont(const LogFont& font) {
  return {font.height,         font.width,        font.escapement,    font.orientation,
          font.weight,         font.italic,       font.underline,     font.strikeOut,
          font.charSet,        font.outPrecision, font.clipPrecision, font.quality,
          font.pitchAndFamily, font.faceName};
}

void replay(NativeDrawContext context, const std::vector<DrawOperation>& operations) {
  for (const auto& operation : operations) {
    if (operation.fill) {
      const CRect& r = operation.rect;
      nativeFillRect(context, {r.left, r.top, r.right, r.bottom}, operation.colour);
    } else {
      nativeTextOut(context, operation.x, operation.y, operation.colour, nativeFont(operation.font),
                    reinterpret_cast<const std::uint8_t*>(operation.bytes.data()),
                    static_cast<int>(operation.bytes.size()));
    }
  }
}

// Writes the cells of a page that differ from the page on the screen: the
// background of each changed stretch, then its glyphs, a run per colour.
void writeChanges(NativeDrawContext context, const CellPage& page, const CellPage* shown) {
  const NativeFont font = nativeFont(page.font());
  std::vector<std::uint8_t> run;
  for (const CellPage::Span& span : page.changesSince(shown)) {
    const int y = span.row * kCellHeightPx;
    nativeFillRect(
        context, {span.first * kCellWidthPx, y, (span.last + 1) * kCellWidthPx, y + kCellHeightPx},
        page.background());
    int column = span.first;
    while (column <= span.last) {
      const Cell& start = page.at(span.row, column);
      if (start.byte == ' ') {
        ++column;
        continue;
      }
      const int first = column;
      run.clear();
      while (column <= span.last && page.at(span.row, column).byte != ' ' &&
             page.at(span.row, column).colour == start.colour) {
        run.push_back(page.at(span.row, column).byte);
        ++column;
      }
      nativeTextOut(context, first * kCellWidthPx, y, start.colour, font, run.data(),
                    static_cast<int>(run.size()));
    }
  }
}

std::vector<NativeMenuItem> nativeMenu(const CMenu& menu) {
  std::vector<NativeMenuItem> items;
  for (int position = 0; position < menu.GetMenuItemCount(); ++position) {
    const MenuItem* item = menu.ItemAt(position);
    NativeMenuItem native;
    native.text = item->text;
    native.id = item->id;
    native.separator = item->separator;
    native.enabled = (item->state & (MF_GRAYED | MF_DISABLED)) == 0;
    if (item->popup) {
      native.isPopup = true;
      native.popup = nativeMenu(*item->popup);
    }
    items.push_back(std::move(native));
  }
  return items;
}

NativeIcon nativeIcon(const IconImage& image) { return {image.width, image.height, image.argb}; }

NativeControlKind nativeKind(ControlKind kind) {
  switch (kind) {
    case ControlKind::DefPushButton:
      return NativeControlKind::DefPushButton;
    case ControlKind::PushButton:
      return NativeControlKind::PushButton;
    case ControlKind::GroupBox:
      return NativeControlKind::GroupBox;
    case ControlKind::Label:
      return NativeControlKind::Label;
    case ControlKind::ComboBox:
      return NativeControlKind::ComboBox;
    case ControlKind::AutoCheckBox:
      return NativeControlKind::CheckBox;
    case ControlKind::Edit:
      return NativeControlKind::Edit;
    case ControlKind::Icon:
      return NativeControlKind::Icon;
  }
  return NativeControlKind::Label;
}

NativeIcon iconOfApplication(int iconId) {
  if (const CWinApp* app = AfxGetApp()) {
    const auto images = app->GetResources().loadIcon(static_cast<UINT>(iconId));
    if (!images.empty()) return nativeIcon(images.front());  // the largest
  }
  return {};
}

// The dialog as the dialog manager builds it, with each control's colour as
// the dialog's colouring hook chose it.
NativeDialog nativeDialog(const CDialog& dialog) {
  const DialogTemplate& source = dialog.GetTemplate();
  NativeDialog native{source.caption, source.fontName, source.pointSize, source.cx, source.cy, {}};
  for (const auto& item : dialog.controls()) {
    const ControlTemplate& control = item->controlTemplate();
    NativeControl shown;
    shown.id = control.id;
    shown.kind = nativeKind(control.kind);
    shown.caption = control.caption;
    shown.x = control.x;
    shown.y = control.y;
    shown.cx = control.cx;
    shown.cy = control.cy;
    shown.tabStop = control.tabStop;
    shown.border = control.border;
    shown.verticalScroll = control.verticalScroll;
    shown.noPrefix = control.noPrefix;
    shown.centerVertically = control.centerVertically;
    if (item->textColor()) shown.textColour = *item->textColor();
    if (control.kind == ControlKind::Icon) shown.icon = iconOfApplication(control.iconId);
    native.controls.push_back(std::move(shown));
  }
  return native;
}

NativeControlState controlState(const CDlgItem& item) {
  return {item.GetWindowText(), item.items(),     item.GetCurSel(),
          item.GetCheck(),      item.textLimit(), item.IsWindowEnabled() != FALSE};
}

// One running dialog: the user's changes go into the dialog's controls, the
// program's changes to the controls go onto the screen.
class DialogBridge final : public NativeDialogEvents, public DialogControlObserver {
 public:
  DialogBridge(CDialog& dialog, NativeWindow& native) : dialog_(dialog), native_(native) {}
  ~DialogBridge() override { dialog_.setControlObserver(nullptr); }
  DialogBridge(const DialogBridge&) = delete;
  DialogBridge& operator=(const DialogBridge&) = delete;

  void initDialog(NativeWindow window) override {
    native_ = window;
    dialog_.setControlObserver(this);
    dialog_.DispatchInitDialog();
  }
  void clicked(int id) override { dialog_.DispatchClicked(id); }
  void enter() override { dialog_.DispatchEnter(); }
  void cancel() override { dialog_.DispatchCancel(); }
  void textTyped(int id, const std::string& text) override {
    if (CDlgItem* item = dialog_.GetDlgItem(id)) item->userTypeText(text);
  }
  void itemSelected(int id, int index) override {
    if (CDlgItem* item = dialog_.GetDlgItem(id)) item->userSelectItem(index);
  }
  void focused(int id) override {
    CDlgItem* item = dialog_.GetDlgItem(id);
    if (item == nullptr || dialog_.focusItem() == item) return;
    followingUser_ = true;
    dialog_.setFocusItem(item);
    followingUser_ = false;
  }

  void controlChanged(const CDlgItem& item) override {
    if (native_ == 0 || item.GetDlgCtrlID() < 0) return;
    applyNativeControlState(native_, item.GetDlgCtrlID(), nativeKind(item.kind()),
                            controlState(item));
  }
  void focusChanged(const CDlgItem& item) override {
    if (native_ == 0 || followingUser_ || item.GetDlgCtrlID() < 0) return;
    focusNativeControl(native_, item.GetDlgCtrlID());
  }

 private:
  CDialog& dialog_;
  NativeWindow& native_;
  bool followingUser_ = false;
};

}  // namespace

Win32WindowSystem::Win32WindowSystem() { setNativeEvents(this); }

Win32WindowSystem::~Win32WindowSystem() { setNativeEvents(nullptr); }

WindowHandle Win32WindowSystem::handleOfNative(NativeWindow native) const {
  if (native == 0) return kNoWindow;
  for (const auto& [handle, entry] : windows_) {
    if (entry.native == native) return handle;
  }
  return kNoWindow;
}

Win32WindowSystem::Window* Win32WindowSystem::findNative(NativeWindow native) {
  return find(handleOfNative(native));
}

NativeWindow Win32WindowSystem::nativeOf(WindowHandle window) const {
  const Window* entry = find(window);
  return entry != nullptr ? entry->native : 0;
}

NativeWindow Win32WindowSystem::mainFrame() const {
  for (const auto& [handle, entry] : windows_) {
    if (entry.kind == WindowKind::Frame && entry.native != 0) return entry.native;
  }
  return 0;
}

WindowHandle Win32WindowSystem::createWindow(CWnd& wnd, WindowKind kind, WindowHandle parent,
                                             const CREATESTRUCT& cs) {
  NativeWindow native = 0;
  switch (kind) {
    case WindowKind::Frame:
      // The size asked for is the whole window, menu bar and borders included.
      native = createFrameWindow(cs.x, cs.y, cs.cx, cs.cy);
      if (native == 0) return kNoWindow;
      break;
    case WindowKind::View: {
      const Window* frame = find(parent);
      const bool inFrame = frame != nullptr && frame->kind == WindowKind::Frame;
      native = createViewWindow(inFrame ? frame->native : 0,
                                cs.cx != CW_USEDEFAULT ? cs.cx : kDefaultViewWidthPx,
                                cs.cy != CW_USEDEFAULT ? cs.cy : kDefaultViewHeightPx);
      if (native == 0) return kNoWindow;
      break;
    }
    case WindowKind::Dialog:
      break;  // made by the dialog manager when the dialog runs
  }
  return add(Window{{native, parent, nullptr}, &wnd, kind});
}

void Win32WindowSystem::destroyWindow(WindowHandle window) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  const Window entry = it->second;
  windows_.erase(it);
  screens_.erase(window);
  // A view goes with its frame; the frame's own window goes last.
  if (entry.native != 0 && entry.kind != WindowKind::Dialog) destroyNativeWindow(entry.native);
}

void Win32WindowSystem::setWindowText(WindowHandle window, const std::string& text) {
  if (const Window* entry = find(window); entry != nullptr && entry->native != 0) {
    setNativeWindowText(entry->native, text);
  }
}

std::string Win32WindowSystem::windowText(WindowHandle window) const {
  const Window* entry = find(window);
  return entry != nullptr && entry->native != 0 ? nativeWindowText(entry->native) : std::string();
}

CRect Win32WindowSystem::clientRect(WindowHandle window) const {
  const Window* entry = find(window);
  if (entry == nullptr || entry->native == 0) return {};
  const NativeRect rect = nativeClientRect(entry->native);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32WindowSystem::showWindow(WindowHandle window) {
  if (const Window* entry = find(window); entry != nullptr && entry->native != 0) {
    showNativeWindow(entry->native);
  }
}

void Win32WindowSystem::invalidate(WindowHandle window) {
  if (const Window* entry = find(window); entry != nullptr && entry->native != 0) {
    invalidateNativeWindow(entry->native);
  }
}

void Win32WindowSystem::setMenu(WindowHandle frame, CMenu* menu) {
  Window* entry = find(frame);
  if (entry == nullptr || entry->kind != WindowKind::Frame) return;
  entry->menu = menu;
  setNativeMenu(entry->native, menu != nullptr ? nativeMenu(*menu) : std::vector<NativeMenuItem>{});
}

void Win32WindowSystem::setAccelerators(WindowHandle frame, const std::vector<ACCEL>& table) {
  const Window* entry = find(frame);
  if (entry == nullptr || entry->kind != WindowKind::Frame) return;
  std::vector<NativeAccel> native;
  for (const ACCEL& accel : table) {
    native.push_back({accel.fVirt, static_cast<std::uint16_t>(accel.key),
                      static_cast<std::uint16_t>(accel.cmd)});
  }
  setNativeAccelerators(entry->native, native);
}

void Win32WindowSystem::dragAcceptFiles(WindowHandle frame, bool accept) {
  if (const Window* entry = find(frame); entry != nullptr && entry->native != 0) {
    acceptDroppedFiles(entry->native, accept);
  }
}

void Win32WindowSystem::setWindowIcon(WindowHandle frame, const std::vector<IconImage>& images) {
  const Window* entry = find(frame);
  if (entry == nullptr || entry->native == 0) return;
  std::vector<NativeIcon> native;
  for (const auto& image : images) native.push_back(nativeIcon(image));
  setNativeWindowIcon(entry->native, native);
}

bool Win32WindowSystem::setTimer(WindowHandle window, UINT_PTR id, UINT periodMs) {
  const Window* entry = find(window);
  return entry != nullptr && entry->native != 0 && setNativeTimer(entry->native, id, periodMs);
}

bool Win32WindowSystem::killTimer(WindowHandle window, UINT_PTR id) {
  const Window* entry = find(window);
  return entry != nullptr && entry->native != 0 && killNativeTimer(entry->native, id);
}

void Win32WindowSystem::setFineTimerStep(bool fine) { holdFineTimerStep(fine); }

void Win32WindowSystem::exitProcess(int status) {
  holdFineTimerStep(false);
  restoreCaretBlinkTime();
  DesktopWindowSystem::exitProcess(status);
}

void Win32WindowSystem::caretChanged(const CaretState& caret) {
  caret_ = caret;
  applyNativeCaret({nativeOf(caret.owner), caret.exists, caret.width, caret.height, caret.x,
                    caret.y, caret.visible(), caret.blinkTimeMs});
}

std::unique_ptr<DrawSurface> Win32WindowSystem::viewSurface(WindowHandle window, DrawKind kind) {
  const Window* entry = find(window);
  if (entry == nullptr || entry->kind != WindowKind::View || entry->native == 0) return nullptr;
  return std::make_unique<RecordedSurface>(window, kind, clientRect(window));
}

void Win32WindowSystem::drawEnded(DrawSurface& surface) {
  if (const auto* drawn = dynamic_cast<const RecordedSurface*>(&surface)) show(*drawn);
}

void Win32WindowSystem::show(const RecordedSurface& drawn) {
  const Window* entry = find(drawn.window());
  if (entry == nullptr || entry->native == 0) return;
  Screen& screen = screens_[drawn.window()];
  std::optional<CellPage> page = CellPage::of(drawn.operations(), drawn.clientRect());
  if (drawn.kind() == DrawKind::Paint) {
    // The window asked for its pixels: all of them, now.
    const NativeDrawContext context = beginNativeDraw(entry->native, true);
    replay(context, drawn.operations());
    endNativeDraw(context);
    screen.shown = std::move(page);
    screen.pending.reset();
    screen.pacer.flushed(nowMs());
    return;
  }
  if (!page) {
    // Not a page of cells: drawn as it came, after any page still waiting.
    writePending(drawn.window());
    const NativeDrawContext context = beginNativeDraw(entry->native, false);
    replay(context, drawn.operations());
    endNativeDraw(context);
    screen.shown.reset();
    return;
  }
  // When the page reaches the screen is the pacer's choice.
  screen.pending = std::move(page);
  const int delayMs = screen.pacer.delayMs(nowMs());
  if (delayMs == 0) {
    writePending(drawn.window());
  } else if (!screen.updateScheduled) {
    screen.updateScheduled = true;
    scheduleScreenUpdate(entry->native, static_cast<unsigned>(delayMs));
  }
}

void Win32WindowSystem::writePending(WindowHandle window) {
  auto it = screens_.find(window);
  const Window* entry = find(window);
  if (it == screens_.end() || entry == nullptr || entry->native == 0) return;
  Screen& screen = it->second;
  if (screen.updateScheduled) {
    cancelScreenUpdate(entry->native);
    screen.updateScheduled = false;
  }
  if (!screen.pending) return;
  // The program's own caret hiding bracketed the drawing, not this write.
  const NativeDrawContext context = beginNativeDraw(entry->native, false, true);
  writeChanges(context, *screen.pending, screen.shown ? &*screen.shown : nullptr);
  endNativeDraw(context);
  screen.shown = std::move(screen.pending);
  screen.pending.reset();
  screen.pacer.flushed(nowMs());
}

void Win32WindowSystem::screenDue(NativeWindow view) {
  const WindowHandle handle = handleOfNative(view);
  if (auto it = screens_.find(handle); it != screens_.end()) it->second.updateScheduled = false;
  writePending(handle);
}

int Win32WindowSystem::messageBox(const MessageBoxRequest& request) {
  NativeWindow owner = 0;
  if (const Window* entry = find(request.owner)) {
    owner = entry->native;
    // A box belongs to a top-level window: a view's box to its frame.
    if (entry->kind == WindowKind::View) {
      if (const Window* frame = find(entry->parent); frame != nullptr && frame->native != 0) {
        owner = frame->native;
      }
    }
  }
  return nativeMessageBox(owner, messageBoxText(request.text, request.detail), request.caption,
                          request.style);
}

int Win32WindowSystem::runModalDialog(CDialog& dialog) {
  if (!dialog.CreateNative(WindowKind::Dialog, dialog.GetParentWnd(), CREATESTRUCT{})) return -1;
  const WindowHandle handle = dialog.m_hWnd;
  dialog.CreateControls();
  const NativeDialog native = nativeDialog(dialog);
  NativeWindow owner = mainFrame();
  if (const CWnd* parent = dialog.GetParentWnd()) {
    if (const Window* entry = find(parent->m_hWnd); entry != nullptr && entry->native != 0) {
      owner = entry->native;
    }
  }
  unsigned long error = 0;
  int result = -1;
  if (Window* entry = find(handle)) {
    // The running dialog's window becomes the handle's native window.
    DialogBridge bridge(dialog, entry->native);
    result = runNativeDialog(owner, native, bridge, &error);
    entry->native = 0;
  }
  dialog.DestroyWindow();
  if (result == -1) {
    char detail[160];
    std::snprintf(detail, sizeof detail,
                  "The system could not make the dialog window (error %lu). Close other "
                  "programs and try again.",
                  error);
    nativeMessageBox(
        owner, messageBoxText("The dialog \"" + native.caption + "\" cannot be shown.", detail),
        "KORVANE", 0x10);
  }
  return result;
}

void Win32WindowSystem::endModalDialog(CDialog& dialog, int result) {
  if (const Window* entry = find(dialog.m_hWnd); entry != nullptr && entry->native != 0) {
    endNativeDialog(entry->native, result);
  }
}

bool Win32WindowSystem::runFileDialog(FileDialogRequest& request) {
  NativeFileRequest native;
  native.open = request.open;
  native.defaultExtension = request.defaultExtension;
  native.initialFileName = request.initialFileName;
  native.flags = request.flags;
  native.filter = request.filter;
  native.owner = nativeOf(request.owner);
  if (native.owner == 0) native.owner = mainFrame();
  if (!runNativeFileDialog(native)) return false;
  request.chosenPath = native.chosenPath;
  return true;
}

int Win32WindowSystem::runNativeLoop() { return runNativeMessageLoop(); }

void Win32WindowSystem::quitNativeLoop(int exitCode) { quitNativeMessageLoop(exitCode); }

void Win32WindowSystem::timer(NativeWindow window, std::uintptr_t id) {
  if (Window* entry = findNative(window)) entry->wnd->DispatchTimer(id);
}

void Win32WindowSystem::keyDown(NativeWindow window, unsigned key, unsigned repeat,
                                unsigned flags) {
  const WindowHandle handle = handleOfNative(window);
  Window* entry = find(handle);
  if (entry == nullptr) return;
  // The screen answers a key within a display frame, also while streaming.
  if (auto screen = screens_.find(handle); screen != screens_.end()) {
    screen->second.pacer.userInput();
  }
  entry->wnd->DispatchKeyDown(key, repeat, flags);
}

void Win32WindowSystem::wheel(NativeWindow window, int delta) {
  // The caret moves as Up and Down move it, one press a notch.
  const desktop::WheelKeys::Presses presses = wheel_.turn(delta);
  for (int i = 0; i < presses.count; ++i)
    keyDown(window, presses.key.virtualKey, 1, presses.key.flags);
}

void Win32WindowSystem::paint(NativeWindow window) {
  if (Window* entry = findNative(window)) entry->wnd->DispatchPaint();
}

void Win32WindowSystem::command(NativeWindow frame, unsigned id) {
  if (Window* entry = findNative(frame)) entry->wnd->DispatchCommand(id);
}

void Win32WindowSystem::refreshMenuStates(const Window& frame) {
  if (frame.menu == nullptr) return;
  for (int position = 0; position < frame.menu->GetMenuItemCount(); ++position) {
    const MenuItem* item = frame.menu->ItemAt(position);
    const CMenu* popup = item->popup.get();
    if (popup == nullptr) continue;
    for (int inner = 0; inner < popup->GetMenuItemCount(); ++inner) {
      const MenuItem* command = popup->ItemAt(inner);
      if (command->popup || command->separator) continue;
      setNativeMenuItemEnabled(frame.native, command->id,
                               (command->state & (MF_GRAYED | MF_DISABLED)) == 0);
    }
  }
}

void Win32WindowSystem::initMenuPopup(NativeWindow frame, int barIndex, bool systemMenu) {
  Window* entry = findNative(frame);
  if (entry == nullptr) return;
  CMenu* popup =
      entry->menu != nullptr && barIndex >= 0 ? entry->menu->GetSubMenu(barIndex) : nullptr;
  entry->wnd->DispatchInitMenuPopup(popup, static_cast<UINT>(barIndex >= 0 ? barIndex : 0),
                                    systemMenu ? TRUE : FALSE);
  // The handler may have closed the window.
  if (Window* still = findNative(frame)) refreshMenuStates(*still);
}

void Win32WindowSystem::dropFile(NativeWindow frame, const std::string& path) {
  if (Window* entry = findNative(frame)) entry->wnd->DispatchDropFiles(path);
}

void Win32WindowSystem::close(NativeWindow frame) {
  if (Window* entry = findNative(frame)) entry->wnd->DispatchClose();
}

Win32WindowSystem& installWin32WindowSystem() {
  // Never destroyed: window objects of static lifetime may still close their
  // windows while the process ends.
  static auto* system = new Win32WindowSystem;
  installWindowSystem(system);
  return *system;
}

}  // namespace platform::win32
