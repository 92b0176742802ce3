// The raw Win32 windows of the monitor, for the framework bridge: plain
// types only (native_window.h). Any window's functions are in
// win32_window.cpp, the frame's (menu bar, accelerators, icon, dropped files,
// the message loop) in win32_frame_window.cpp, the view's (keys, paints, the
// caret) in win32_view_widget.cpp and the timers in win32_timer_table.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/native_window.h"

namespace platform::win32 {

// Where the windows send what happens to them; set once before any window.
void setNativeEvents(NativeEvents* events);

// Positions and sizes may be the framework's "use the default" value, which
// is Win32's own CW_USEDEFAULT.
NativeWindow createFrameWindow(int x, int y, int width, int height);
// A view fills its frame's client area; without a frame it is a top-level
// window of the given size.
NativeWindow createViewWindow(NativeWindow frame, int width, int height);
void destroyNativeWindow(NativeWindow window);

void setNativeWindowText(NativeWindow window, const std::string& text);
std::string nativeWindowText(NativeWindow window);
NativeRect nativeClientRect(NativeWindow window);
void showNativeWindow(NativeWindow window);
void invalidateNativeWindow(NativeWindow window);

// The menu bar, built anew from the items; enabling by command id.
void setNativeMenu(NativeWindow frame, const std::vector<NativeMenuItem>& bar);
void setNativeMenuItemEnabled(NativeWindow frame, unsigned id, bool enabled);
void setNativeAccelerators(NativeWindow frame, const std::vector<NativeAccel>& table);
void acceptDroppedFiles(NativeWindow frame, bool accept);
void setNativeWindowIcon(NativeWindow frame, const std::vector<NativeIcon>& images);

// The system's finest timer step (1 ms), asked for while fine is set; the
// default step (15.6 ms) would stretch a 10 ms timer to 15.6.
void holdFineTimerStep(bool fine);
bool fineTimerStepHeld();

bool setNativeTimer(NativeWindow window, std::uintptr_t id, unsigned periodMs);
bool killNativeTimer(NativeWindow window, std::uintptr_t id);

// A view's screen update, reported once through screenDue after delayMs;
// asking again before then changes nothing.
void scheduleScreenUpdate(NativeWindow view, unsigned delayMs);
void cancelScreenUpdate(NativeWindow view);

// Brings the system caret in line with the framework's caret. The system
// caret exists only while its window has the keyboard focus; it is made
// again when the focus comes back.
void applyNativeCaret(const NativeCaret& caret);
// The caret blink time is the whole system's: the view's own holds while the
// view has the focus; the user's comes back when it loses it, when the view
// goes and here (at the process's end).
void restoreCaretBlinkTime();

// The message loop with the frames' accelerators; returns the exit code.
int runNativeMessageLoop();
void quitNativeMessageLoop(int exitCode);

}  // namespace platform::win32
