// The view window: keys with their scan codes, paints, the framework's
// timers, and the system caret, which exists only while the view has the
// keyboard focus.
#include "platform/win32/win32_window.h"
#include "platform/win32/win32_window_parts.h"

namespace platform::win32 {
namespace {

constexpr const char* kViewClass = "KorvaneView";

// The framework's caret as last asked for, and the system caret made for it.
NativeCaret askedCaret;
struct {
  HWND window = nullptr;
  int width = 0;
  int height = 0;
  bool shown = false;
} systemCaret;
// The user's blink time, kept while the view's own is set (0: it is not).
unsigned blinkFound = 0;

void dropSystemCaret() {
  if (systemCaret.window == nullptr) return;
  DestroyCaret();
  systemCaret.window = nullptr;
  systemCaret.shown = false;
}

LRESULT CALLBACK viewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  NativeEvents* events = nativeEvents();
  switch (message) {
    case WM_TIMER:
      if (isScreenUpdateTimer(wParam)) {
        KillTimer(window, wParam);
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
    case WM_MOUSEWHEEL:
      if (events != nullptr) events->wheel(numberOf(window), GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_PAINT:
      // The view draws its whole page and the page is then taken as shown:
      // a paint clipped to a part would leave the rest showing an older one.
      InvalidateRect(window, nullptr, FALSE);
      if (events != nullptr) events->paint(numberOf(window));
      // A handler that drew nothing must not leave the window asking again.
      ValidateRect(window, nullptr);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the view paints every pixel itself
    case WM_SETFOCUS:
      // The caret went with the focus; it comes back with it.
      if (askedCaret.owner == numberOf(window)) applyNativeCaret(askedCaret);
      return 0;
    case WM_KILLFOCUS:
      if (systemCaret.window == window) dropSystemCaret();
      restoreCaretBlinkTime();
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

}  // namespace

NativeWindow createViewWindow(NativeWindow frame, int width, int height) {
  [[maybe_unused]] static const bool registered = [] {
    WNDCLASSA viewClass{};
    viewClass.style = CS_OWNDC;
    viewClass.lpfnWndProc = viewProc;
    viewClass.hInstance = GetModuleHandleA(nullptr);
    viewClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    viewClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    viewClass.lpszClassName = kViewClass;
    return RegisterClassA(&viewClass) != 0;
  }();
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

void forgetCaretOf(HWND window) {
  if (systemCaret.window == window ||
      (systemCaret.window != nullptr && IsChild(window, systemCaret.window))) {
    dropSystemCaret();
  }
  if (askedCaret.owner == numberOf(window)) {
    askedCaret = NativeCaret{.blinkTimeMs = askedCaret.blinkTimeMs};
    restoreCaretBlinkTime();
  }
}

void restoreCaretBlinkTime() {
  if (blinkFound == 0) return;
  SetCaretBlinkTime(blinkFound);
  blinkFound = 0;
}

void applyNativeCaret(const NativeCaret& caret) {
  askedCaret = caret;
  HWND owner = hwndOf(caret.owner);
  if (!caret.exists || owner == nullptr || GetFocus() != owner) {
    if (systemCaret.window != nullptr &&
        (!caret.exists || systemCaret.window == owner || owner == nullptr)) {
      dropSystemCaret();
    }
    return;
  }
  // The user's blink time is read before a caret is made, and the view's set
  // after: making a caret may put the blink time back to a default.
  if (blinkFound == 0) blinkFound = GetCaretBlinkTime();
  if (systemCaret.window != owner || systemCaret.width != caret.width ||
      systemCaret.height != caret.height) {
    dropSystemCaret();
    if (!CreateCaret(owner, nullptr, caret.width, caret.height)) return;
    systemCaret.window = owner;
    systemCaret.width = caret.width;
    systemCaret.height = caret.height;
    systemCaret.shown = false;  // a new caret is hidden
  }
  if (GetCaretBlinkTime() != caret.blinkTimeMs) SetCaretBlinkTime(caret.blinkTimeMs);
  SetCaretPos(caret.x, caret.y);
  if (caret.visible && !systemCaret.shown) {
    systemCaret.shown = ShowCaret(owner) != FALSE;
  } else if (!caret.visible && systemCaret.shown) {
    HideCaret(owner);
    systemCaret.shown = false;
  }
}

}  // namespace platform::win32
