// The frame window: its menu bar, accelerators, icon and dropped files, and
// the thread's message loop, which translates the frames' accelerators.
// clang-format off
#include "platform/win32/win32_window_parts.h"
#include <shellapi.h>
// clang-format on

#include <map>

#include "platform/win32/icon_file.h"
#include "platform/win32/win32_window.h"

namespace platform::win32 {
namespace {

constexpr const char* kFrameClass = "KorvaneFrame";

struct FrameData {
  HMENU menu = nullptr;
  HACCEL accelerators = nullptr;
  std::vector<HICON> icons;
};
std::map<HWND, FrameData> frames;

HWND viewOf(HWND frame) { return GetWindow(frame, GW_CHILD); }

LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  NativeEvents* events = nativeEvents();
  switch (message) {
    case WM_SIZE:
      if (HWND view = viewOf(window)) {
        MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      }
      return 0;
    case WM_SETFOCUS:
      // Keys go to the view whenever the frame is active.
      if (HWND view = viewOf(window)) SetFocus(view);
      return 0;
    case WM_COMMAND:
      if (events != nullptr && lParam == 0) events->command(numberOf(window), LOWORD(wParam));
      return 0;
    case WM_INITMENUPOPUP: {
      if (events == nullptr) break;
      const bool systemMenu = HIWORD(lParam) != 0;
      const int index = LOWORD(lParam);
      HMENU bar = GetMenu(window);
      const bool ofBar = !systemMenu && bar != nullptr &&
                         GetSubMenu(bar, index) == reinterpret_cast<HMENU>(wParam);
      events->initMenuPopup(numberOf(window), ofBar ? index : -1, systemMenu);
      return 0;
    }
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wParam);
      char path[MAX_PATH] = {};
      // Only the first file opens, as in a single-document window.
      const UINT length = DragQueryFileA(drop, 0, path, MAX_PATH);
      DragFinish(drop);
      if (events != nullptr && length > 0) events->dropFile(numberOf(window), path);
      return 0;
    }
    case WM_CLOSE:
      // The framework ends the loop; the window goes with its object.
      if (events != nullptr) events->close(numberOf(window));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HMENU buildMenu(const std::vector<NativeMenuItem>& items, bool bar) {
  HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
  for (const auto& item : items) {
    if (item.separator) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else if (item.isPopup) {
      AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(buildMenu(item.popup, false)),
                  item.text.c_str());
    } else {
      AppendMenuA(menu, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), item.id,
                  item.text.c_str());
    }
  }
  return menu;
}

}  // namespace

NativeWindow createFrameWindow(int x, int y, int width, int height) {
  [[maybe_unused]] static const bool registered = [] {
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = frameProc;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frameClass.lpszClassName = kFrameClass;
    return RegisterClassA(&frameClass) != 0;
  }();
  HWND window =
      CreateWindowExA(0, kFrameClass, "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, width,
                      height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) frames[window] = FrameData{};
  return numberOf(window);
}

bool destroyFrameWindow(HWND target) {
  auto frame = frames.find(target);
  if (frame == frames.end()) return false;
  const FrameData data = frame->second;
  frames.erase(frame);
  SetMenu(target, nullptr);
  if (data.menu != nullptr) DestroyMenu(data.menu);
  if (data.accelerators != nullptr) DestroyAcceleratorTable(data.accelerators);
  DestroyWindow(target);
  // The icons go once no window shows them any more.
  for (HICON icon : data.icons) DestroyIcon(icon);
  return true;
}

void setNativeMenu(NativeWindow frameWindow, const std::vector<NativeMenuItem>& bar) {
  HWND target = hwndOf(frameWindow);
  auto frame = frames.find(target);
  if (frame == frames.end()) return;
  HMENU menu = bar.empty() ? nullptr : buildMenu(bar, true);
  SetMenu(target, menu);
  if (frame->second.menu != nullptr) DestroyMenu(frame->second.menu);
  frame->second.menu = menu;
  DrawMenuBar(target);
}

void setNativeMenuItemEnabled(NativeWindow frame, unsigned id, bool enabled) {
  HMENU menu = GetMenu(hwndOf(frame));
  if (menu == nullptr) return;
  EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

void setNativeAccelerators(NativeWindow frameWindow, const std::vector<NativeAccel>& table) {
  auto frame = frames.find(hwndOf(frameWindow));
  if (frame == frames.end()) return;
  if (frame->second.accelerators != nullptr) DestroyAcceleratorTable(frame->second.accelerators);
  frame->second.accelerators = nullptr;
  if (table.empty()) return;
  std::vector<ACCEL> entries;
  for (const auto& accel : table) {
    entries.push_back(ACCEL{static_cast<BYTE>(accel.flags | FNOINVERT), accel.key, accel.command});
  }
  frame->second.accelerators =
      CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size()));
}

void acceptDroppedFiles(NativeWindow frame, bool accept) {
  DragAcceptFiles(hwndOf(frame), accept ? TRUE : FALSE);
}

void setNativeWindowIcon(NativeWindow frameWindow, const std::vector<NativeIcon>& images) {
  auto frame = frames.find(hwndOf(frameWindow));
  if (frame == frames.end() || images.empty()) return;
  HICON big = nullptr;
  HICON small = nullptr;
  for (const auto& image : images) {
    auto icon = reinterpret_cast<HICON>(makeNativeIcon(image));
    if (icon == nullptr) continue;
    frame->second.icons.push_back(icon);
    if (image.width >= 32 && big == nullptr) big = icon;
    if (image.width <= 16) small = icon;
  }
  if (big == nullptr && !frame->second.icons.empty()) big = frame->second.icons.front();
  if (small == nullptr) small = big;
  SendMessageA(frame->first, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageA(frame->first, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

int runNativeMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    bool translated = false;
    for (const auto& [frame, data] : frames) {
      if (data.accelerators == nullptr) continue;
      if (message.hwnd != frame && !IsChild(frame, message.hwnd)) continue;
      translated = TranslateAcceleratorA(frame, data.accelerators, &message) != 0;
      break;
    }
    if (translated) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void quitNativeMessageLoop(int exitCode) { PostQuitMessage(exitCode); }

}  // namespace platform::win32
