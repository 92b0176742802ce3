// The raw Win32 windows of the monitor: the frame with its menu bar,
// accelerators, icon and dropped files, the view with its timers, keys and
// caret, and the thread's message loop. Plain types only (native_window.h).
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

// The message loop with the frames' accelerators; returns the exit code.
int runNativeMessageLoop();
void quitNativeMessageLoop(int exitCode);

// An icon handle made from an image (an HICON as a number; 0 on failure).
std::uintptr_t makeNativeIcon(const NativeIcon& image);

}  // namespace platform::win32
