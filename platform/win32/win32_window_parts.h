// What the Win32 window files share among themselves. It includes
// <windows.h>, so the framework bridge never includes it.
#pragma once

#include <windows.h>

#include "platform/win32/native_window.h"

namespace platform::win32 {

inline HWND hwndOf(NativeWindow window) { return reinterpret_cast<HWND>(window); }
inline NativeWindow numberOf(HWND window) { return reinterpret_cast<NativeWindow>(window); }

// Where the windows report what happens to them; nullptr while nobody listens.
NativeEvents* nativeEvents();

// A frame's menu, accelerators and icons go with it (win32_frame_window.cpp);
// false for a window that is no frame.
bool destroyFrameWindow(HWND frame);
// The system caret goes with its window or the window's parent
// (win32_view_widget.cpp).
void forgetCaretOf(HWND window);
// The view's own timer that paces its screen (win32_timer_table.cpp).
bool isScreenUpdateTimer(UINT_PTR id);

}  // namespace platform::win32
