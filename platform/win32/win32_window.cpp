#include "platform/win32/win32_window.h"

// <windows.h> comes before the headers that need it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <map>

namespace platform::win32 {
namespace {

constexpr const char* kFrameClass = "KorvaneFrame";
constexpr const char* kViewClass = "KorvaneView";
// The timer of a view's screen update; the system's own timers use small ids.
constexpr UINT_PTR kScreenUpdateTimer = 0x4B56;

NativeEvents* events = nullptr;

struct FrameData {
  HMENU menu = nullptr;
  HACCEL accelerators = nullptr;
  std::vector<HICON> icons;
};
std::map<HWND, FrameData> frames;

// The framework's caret, and what the system caret is now.
NativeCaret wanted;
struct {
  HWND window = nullptr;
  int width = 0;
  int height = 0;
  bool shown = false;
} made;
unsigned blinkApplied = 0;

HWND hwndOf(NativeWindow window) { return reinterpret_cast<HWND>(window); }
NativeWindow numberOf(HWND window) { return reinterpret_cast<NativeWindow>(window); }

HWND viewOf(HWND frame) { return GetWindow(frame, GW_CHILD); }

void dropSystemCaret() {
  if (made.window == nullptr) return;
  DestroyCaret();
  made.window = nullptr;
  made.shown = false;
}

LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

LRESULT CALLBACK viewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kScreenUpdateTimer) {
        KillTimer(window, kScreenUpdateTimer);
        if (events != nullptr) events->screenDue(numberOf(window));
      } else if (events != nullptr) {
        events->timer(numberOf(window), wParam);
      }
      return 0;
    case WM_KEYDOWN:
      // The flags word, scan code in its low byte, goes on unchanged.
      if (events != nullptr) {
        events->keyDown(numberOf(window), static_cast<unsigned>(wParam), LOWORD(lParam),
                        HIWORD(lParam));
      }
      return 0;
    case WM_PAINT:
      if (events != nullptr) events->paint(numberOf(window));
      // A handler that drew nothing must not leave the window asking again.
      ValidateRect(window, nullptr);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the view paints every pixel itself
    case WM_SETFOCUS:
      // The caret went with the focus; it comes back with it.
      if (wanted.owner == numberOf(window)) applyNativeCaret(wanted);
      return 0;
    case WM_KILLFOCUS:
      if (made.window == window) dropSystemCaret();
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(window);
      return 0;
    case WM_CLOSE:
      // A view without a frame closes as a frame does.
      if (GetParent(window) == nullptr && events != nullptr) events->close(numberOf(window));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void registerClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  WNDCLASSA frameClass{};
  frameClass.lpfnWndProc = frameProc;
  frameClass.hInstance = GetModuleHandleA(nullptr);
  frameClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  frameClass.lpszClassName = kFrameClass;
  RegisterClassA(&frameClass);
  WNDCLASSA viewClass{};
  viewClass.style = CS_OWNDC;
  viewClass.lpfnWndProc = viewProc;
  viewClass.hInstance = GetModuleHandleA(nullptr);
  viewClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
  viewClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  viewClass.lpszClassName = kViewClass;
  RegisterClassA(&viewClass);
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

void setNativeEvents(NativeEvents* sink) { events = sink; }

NativeWindow createFrameWindow(int x, int y, int width, int height) {
  registerClasses();
  HWND window =
      CreateWindowExA(0, kFrameClass, "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, width,
                      height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) frames[window] = FrameData{};
  return numberOf(window);
}

NativeWindow createViewWindow(NativeWindow frame, int width, int height) {
  registerClasses();
  HWND parent = hwndOf(frame);
  HWND window = nullptr;
  if (parent != nullptr) {
    RECT client{};
    GetClientRect(parent, &client);
    window = CreateWindowExA(0, kViewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                             client.bottom, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr && GetFocus() == parent) SetFocus(window);
  } else {
    RECT outer{0, 0, width, height};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowExA(0, kViewClass, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  }
  return numberOf(window);
}

void destroyNativeWindow(NativeWindow window) {
  HWND target = hwndOf(window);
  if (made.window == target || (made.window != nullptr && IsChild(target, made.window))) {
    dropSystemCaret();
  }
  if (wanted.owner == window) wanted = NativeCaret{.blinkTimeMs = wanted.blinkTimeMs};
  auto frame = frames.find(target);
  if (frame != frames.end()) {
    const FrameData data = frame->second;
    frames.erase(frame);
    SetMenu(target, nullptr);
    if (data.menu != nullptr) DestroyMenu(data.menu);
    if (data.accelerators != nullptr) DestroyAcceleratorTable(data.accelerators);
    DestroyWindow(target);
    // The icons go once no window shows them any more.
    for (HICON icon : data.icons) DestroyIcon(icon);
    return;
  }
  DestroyWindow(target);
}

void setNativeWindowText(NativeWindow window, const std::string& text) {
  SetWindowTextA(hwndOf(window), text.c_str());
}

std::string nativeWindowText(NativeWindow window) {
  const int length = GetWindowTextLengthA(hwndOf(window));
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(hwndOf(window), text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

NativeRect nativeClientRect(NativeWindow window) {
  RECT client{};
  if (!GetClientRect(hwndOf(window), &client)) return {};
  return {client.left, client.top, client.right, client.bottom};
}

void showNativeWindow(NativeWindow window) {
  HWND target = hwndOf(window);
  // Its current size and position; the show state the program was started
  // with is not used.
  ShowWindow(target, SW_SHOWNORMAL);
  UpdateWindow(target);
}

void invalidateNativeWindow(NativeWindow window) {
  HWND target = hwndOf(window);
  auto frame = frames.find(target);
  if (frame != frames.end()) {
    if (HWND view = viewOf(target)) target = view;
  }
  InvalidateRect(target, nullptr, FALSE);
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

std::uintptr_t makeNativeIcon(const NativeIcon& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.argb.size() != static_cast<std::size_t>(image.width * image.height)) {
    return 0;
  }
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = image.width;
  header.bV5Height = -image.height;  // top row first
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (colour == nullptr || bits == nullptr) return 0;
  std::copy(image.argb.begin(), image.argb.end(), static_cast<std::uint32_t*>(bits));
  HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  return reinterpret_cast<std::uintptr_t>(icon);
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

bool setNativeTimer(NativeWindow window, std::uintptr_t id, unsigned periodMs) {
  // The same id on the same window replaces the running timer.
  return SetTimer(hwndOf(window), id, periodMs, nullptr) != 0;
}

bool killNativeTimer(NativeWindow window, std::uintptr_t id) {
  return KillTimer(hwndOf(window), id) != FALSE;
}

void scheduleScreenUpdate(NativeWindow view, unsigned delayMs) {
  SetTimer(hwndOf(view), kScreenUpdateTimer, delayMs, nullptr);
}

void cancelScreenUpdate(NativeWindow view) { KillTimer(hwndOf(view), kScreenUpdateTimer); }

void applyNativeCaret(const NativeCaret& caret) {
  wanted = caret;
  if (caret.blinkTimeMs != blinkApplied) {
    SetCaretBlinkTime(caret.blinkTimeMs);
    blinkApplied = caret.blinkTimeMs;
  }
  HWND owner = hwndOf(caret.owner);
  if (!caret.exists || owner == nullptr || GetFocus() != owner) {
    if (made.window != nullptr && (!caret.exists || made.window == owner || owner == nullptr)) {
      dropSystemCaret();
    }
    return;
  }
  if (made.window != owner || made.width != caret.width || made.height != caret.height) {
    dropSystemCaret();
    if (!CreateCaret(owner, nullptr, caret.width, caret.height)) return;
    made.window = owner;
    made.width = caret.width;
    made.height = caret.height;
    made.shown = false;  // a new caret is hidden
  }
  SetCaretPos(caret.x, caret.y);
  if (caret.visible && !made.shown) {
    made.shown = ShowCaret(owner) != FALSE;
  } else if (!caret.visible && made.shown) {
    HideCaret(owner);
    made.shown = false;
  }
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
