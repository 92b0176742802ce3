// What every window of the monitor has: its events' listener, text, client
// area, showing, invalidation and destruction.
#include "platform/win32/win32_window.h"

#include "platform/win32/win32_window_parts.h"

namespace platform::win32 {
namespace {
NativeEvents* events = nullptr;
}

NativeEvents* nativeEvents() { return events; }

void setNativeEvents(NativeEvents* sink) { events = sink; }

void destroyNativeWindow(NativeWindow window) {
  HWND target = hwndOf(window);
  forgetCaretOf(target);
  if (!destroyFrameWindow(target)) DestroyWindow(target);
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
  // A frame's client area is its view.
  if (HWND view = GetWindow(target, GW_CHILD)) target = view;
  InvalidateRect(target, nullptr, FALSE);
}

}  // namespace platform::win32
