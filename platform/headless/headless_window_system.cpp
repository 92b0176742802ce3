#include "platform/headless/headless_window_system.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/framework/cdialog.h"
#include "platform/framework/cwnd.h"

namespace headless {

using platform::WindowHandle;

class HeadlessWindowSystem::Surface final : public platform::DrawSurface {
 public:
  Surface(HeadlessWindowSystem& owner, WindowHandle window, platform::DrawKind kind)
      : owner_(owner), window_(window), kind_(kind) {}

  CRect clientRect() const override { return owner_.clientRect(window_); }

  void fillSolidRect(const CRect& rect, COLORREF color) override {
    DrawOp op;
    op.kind = DrawOp::Kind::Fill;
    op.window = window_;
    op.drawKind = kind_;
    op.rect = rect;
    op.color = color;
    owner_.drawOps_.push_back(std::move(op));
  }

  void textOut(int x, int y, COLORREF color, const platform::LogFont& font, const BYTE* bytes,
               int count) override {
    DrawOp op;
    op.kind = DrawOp::Kind::Text;
    op.window = window_;
    op.drawKind = kind_;
    op.x = x;
    op.y = y;
    op.color = color;
    op.font = font;
    op.bytes.assign(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    owner_.drawOps_.push_back(std::move(op));
  }

 private:
  HeadlessWindowSystem& owner_;
  WindowHandle window_;
  platform::DrawKind kind_;
};

WindowHandle HeadlessWindowSystem::createWindow(CWnd& wnd, platform::WindowKind kind,
                                                WindowHandle parent, const CREATESTRUCT& cs) {
  const WindowHandle handle = nextHandle_++;
  WindowRecord record;
  record.wnd = &wnd;
  record.kind = kind;
  record.parent = parent;
  record.createParams = cs;
  if (kind == platform::WindowKind::Frame && cs.cx != CW_USEDEFAULT && cs.cy != CW_USEDEFAULT) {
    record.client = CRect{0, 0, cs.cx, cs.cy};
  }
  windows_[handle] = std::move(record);
  return handle;
}

void HeadlessWindowSystem::destroyWindow(WindowHandle window) {
  windows_.erase(window);
  std::erase_if(timers_, [window](const auto& entry) { return entry.first.first == window; });
}

void HeadlessWindowSystem::setWindowText(WindowHandle window, const std::string& text) {
  if (auto* record = this->window(window)) record->text = text;
}

std::string HeadlessWindowSystem::windowText(WindowHandle window) const {
  const auto* record = this->window(window);
  return record != nullptr ? record->text : std::string();
}

CRect HeadlessWindowSystem::clientRect(WindowHandle window) const {
  const auto* record = this->window(window);
  return record != nullptr ? record->client : CRect{};
}

void HeadlessWindowSystem::showWindow(WindowHandle window) {
  if (auto* record = this->window(window)) record->visible = true;
}

void HeadlessWindowSystem::invalidate(WindowHandle window) {
  if (auto* record = this->window(window)) ++record->invalidations;
}

void HeadlessWindowSystem::setMenu(WindowHandle frame, CMenu* menu) {
  if (auto* record = this->window(frame)) record->menu = menu;
}

void HeadlessWindowSystem::setAccelerators(WindowHandle frame, const std::vector<ACCEL>& table) {
  if (auto* record = this->window(frame)) record->accelerators = table;
}

void HeadlessWindowSystem::dragAcceptFiles(WindowHandle frame, bool accept) {
  if (auto* record = this->window(frame)) record->acceptsFiles = accept;
}

bool HeadlessWindowSystem::setTimer(WindowHandle window, UINT_PTR id, UINT periodMs) {
  if (this->window(window) == nullptr) return false;
  timers_[{window, id}] = TimerRecord{periodMs, nowMs_ + periodMs};
  return true;
}

bool HeadlessWindowSystem::killTimer(WindowHandle window, UINT_PTR id) {
  return timers_.erase({window, id}) > 0;
}

void HeadlessWindowSystem::caretChanged(const platform::CaretState& caret) {
  caret_ = caret;
  caretHistory_.push_back(caret);
}

platform::DrawSurface& HeadlessWindowSystem::beginDraw(WindowHandle window,
                                                       platform::DrawKind kind) {
  ++drawCount_;
  auto* surface = new Surface(*this, window, kind);
  openSurfaces_.push_back(surface);
  return *surface;
}

void HeadlessWindowSystem::endDraw(platform::DrawSurface& surface) {
  auto it = std::find(openSurfaces_.begin(), openSurfaces_.end(), &surface);
  if (it != openSurfaces_.end()) {
    std::unique_ptr<Surface> owned(*it);
    openSurfaces_.erase(it);
  }
}

int HeadlessWindowSystem::messageBox(const platform::MessageBoxRequest& request) {
  messageBoxes_.push_back(request);
  ++openMessageBoxes_;
  struct Closing {
    int& open;
    ~Closing() { --open; }
  } closing{openMessageBoxes_};
  if (messageBoxHandler_) return messageBoxHandler_(request);
  return IDOK;
}

int HeadlessWindowSystem::runModalDialog(CDialog& dialog) {
  if (!dialog.CreateNative(platform::WindowKind::Dialog, dialog.GetParentWnd(), CREATESTRUCT{})) {
    return -1;
  }
  dialogResults_.erase(&dialog);
  openDialogs_.push_back(&dialog);
  struct Closing {
    std::vector<CDialog*>& open;
    ~Closing() { open.pop_back(); }
  } closing{openDialogs_};
  dialog.SetWindowText(dialog.GetTemplate().caption);
  dialog.CreateControls();
  dialog.DispatchInitDialog();
  // The test's handler is the dialog's message loop: it acts as the user
  // and may let time pass. A dialog ended during its initialisation runs no loop.
  if (dialogHandler_ && !dialogResults_.contains(&dialog)) dialogHandler_(dialog);
  int result = IDCANCEL;
  if (auto it = dialogResults_.find(&dialog); it != dialogResults_.end()) {
    result = it->second;
    dialogResults_.erase(it);
  }
  dialog.DestroyWindow();
  return result;
}

void HeadlessWindowSystem::endModalDialog(CDialog& dialog, int result) {
  dialogResults_[&dialog] = result;
}

bool HeadlessWindowSystem::dialogEnded(const CDialog& dialog) const {
  return dialogResults_.contains(&dialog);
}

bool HeadlessWindowSystem::runFileDialog(platform::FileDialogRequest& request) {
  const bool confirmed = fileDialogHandler_ ? fileDialogHandler_(request) : false;
  if (confirmed && !request.chosenPath.empty()) {
    // As the desktop's dialog does: the chosen file's folder becomes the
    // current directory.
    const std::filesystem::path chosen = std::filesystem::absolute(request.chosenPath);
    std::error_code error;
    std::filesystem::current_path(chosen.parent_path(), error);
  }
  fileDialogs_.push_back(request);
  return confirmed;
}

int HeadlessWindowSystem::runMessageLoop() { return quitCode_.value_or(0); }

void HeadlessWindowSystem::quitMessageLoop(int exitCode) { quitCode_ = exitCode; }

void HeadlessWindowSystem::exitProcess(int status) {
  exitStatus_ = status;
  throw ProcessExit{status};
}

void HeadlessWindowSystem::advance(long long ms) {
  const long long end = nowMs_ + ms;
  for (;;) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.dueMs <= end &&
          (next == timers_.end() || it->second.dueMs < next->second.dueMs)) {
        next = it;
      }
    }
    if (next == timers_.end()) break;
    nowMs_ = std::max(nowMs_, next->second.dueMs);
    const auto key = next->first;
    next->second.dueMs = nowMs_ + next->second.periodMs;
    if (auto* record = window(key.first)) record->wnd->DispatchTimer(key.second);
  }
  nowMs_ = end;
}

bool HeadlessWindowSystem::fireTimer(WindowHandle window, UINT_PTR id) {
  auto it = timers_.find({window, id});
  if (it == timers_.end()) return false;
  it->second.dueMs = nowMs_ + it->second.periodMs;
  if (auto* record = this->window(window)) record->wnd->DispatchTimer(id);
  return true;
}

void HeadlessWindowSystem::fireAllTimers() {
  std::vector<std::pair<WindowHandle, UINT_PTR>> keys;
  for (const auto& entry : timers_) keys.push_back(entry.first);
  for (const auto& key : keys) fireTimer(key.first, key.second);
}

std::optional<UINT> HeadlessWindowSystem::timerPeriod(WindowHandle window, UINT_PTR id) const {
  auto it = timers_.find({window, id});
  if (it == timers_.end()) return std::nullopt;
  return it->second.periodMs;
}

std::vector<DrawOp> HeadlessWindowSystem::textOps() const {
  std::vector<DrawOp> result;
  for (const auto& op : drawOps_) {
    if (op.kind == DrawOp::Kind::Text) result.push_back(op);
  }
  return result;
}

void HeadlessWindowSystem::clearDrawing() {
  drawOps_.clear();
  drawCount_ = 0;
}

const WindowRecord* HeadlessWindowSystem::window(WindowHandle handle) const {
  auto it = windows_.find(handle);
  return it != windows_.end() ? &it->second : nullptr;
}

WindowRecord* HeadlessWindowSystem::window(WindowHandle handle) {
  auto it = windows_.find(handle);
  return it != windows_.end() ? &it->second : nullptr;
}

void HeadlessWindowSystem::reset() {
  windows_.clear();
  fineTimerStep_ = false;
  timers_.clear();
  nowMs_ = 0;
  messageBoxHandler_ = nullptr;
  dialogHandler_ = nullptr;
  fileDialogHandler_ = nullptr;
  messageBoxes_.clear();
  openMessageBoxes_ = 0;
  fileDialogs_.clear();
  drawOps_.clear();
  drawCount_ = 0;
  caret_ = {};
  caretHistory_.clear();
  dialogResults_.clear();
  openDialogs_.clear();
  quitCode_.reset();
  exitStatus_.reset();
}

HeadlessWindowSystem& system() {
  static HeadlessWindowSystem instance;
  static const bool installed = [] {
    platform::installWindowSystem(&instance);
    return true;
  }();
  (void)installed;
  return instance;
}

}  // namespace headless
