// Window timers are the system's own, one per (window, id): setting an id
// that runs replaces it, and they tick in every message loop.
#include "platform/win32/win32_window.h"
#include "platform/win32/win32_window_parts.h"

namespace platform::win32 {
namespace {
// The timer of a view's screen update; the system's own timers use small ids.
constexpr UINT_PTR kScreenUpdateTimer = 0x4B56;
}  // namespace

bool isScreenUpdateTimer(UINT_PTR id) { return id == kScreenUpdateTimer; }

bool setNativeTimer(NativeWindow window, std::uintptr_t id, unsigned periodMs) {
  return SetTimer(hwndOf(window), id, periodMs, nullptr) != 0;
}

bool killNativeTimer(NativeWindow window, std::uintptr_t id) {
  return KillTimer(hwndOf(window), id) != FALSE;
}

void scheduleScreenUpdate(NativeWindow view, unsigned delayMs) {
  SetTimer(hwndOf(view), kScreenUpdateTimer, delayMs, nullptr);
}

void cancelScreenUpdate(NativeWindow view) { KillTimer(hwndOf(view), kScreenUpdateTimer); }

}  // namespace platform::win32
