// Window timers are the system's own, one per (window, id): setting an id
// that runs replaces it, and they tick in every message loop.
// clang-format off
#include "platform/win32/win32_window_parts.h"
#include <mmsystem.h>
// clang-format on

#include "platform/win32/win32_window.h"

namespace platform::win32 {
namespace {
// The timer of a view's screen update; the system's own timers use small ids.
constexpr UINT_PTR kScreenUpdateTimer = 0x4B56;
}  // namespace

bool isScreenUpdateTimer(UINT_PTR id) { return id == kScreenUpdateTimer; }

namespace {
bool fineStepHeld = false;
}

void holdFineTimerStep(bool fine) {
  if (fine && !fineStepHeld) {
    fineStepHeld = timeBeginPeriod(1) == TIMERR_NOERROR;
  } else if (!fine && fineStepHeld) {
    timeEndPeriod(1);
    fineStepHeld = false;
  }
}

bool fineTimerStepHeld() { return fineStepHeld; }

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
