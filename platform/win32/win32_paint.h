// GDI drawing on a window's client area: inside a paint message through
// BeginPaint, at any other time through GetDC. Bytes are drawn as code page
// 437 glyphs, one 8-pixel cell each, whatever fonts the machine has.
#pragma once

#include <cstdint>

#include "platform/desktop/screen_geometry.h"
#include "platform/win32/native_window.h"

namespace platform::win32 {

// An open drawing context; 0 when the window cannot be drawn on.
using NativeDrawContext = std::uintptr_t;

// Outside a paint message, hideCaret keeps the caret off while drawing, for
// drawing that the program did not bracket with its own caret hiding.
NativeDrawContext beginNativeDraw(NativeWindow window, bool paintMessage, bool hideCaret = false);
void endNativeDraw(NativeDrawContext context);

// colour is a COLORREF (0x00BBGGRR).
void nativeFillRect(NativeDrawContext context, const NativeRect& rect, std::uint32_t colour);
void nativeTextOut(NativeDrawContext context, int x, int y, std::uint32_t colour,
                   const NativeFont& font, const std::uint8_t* bytes, int count);

}  // namespace platform::win32
