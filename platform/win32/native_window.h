// What the Win32 window files and the framework bridge pass between them:
// plain types only. This header sees neither <windows.h> nor the framework,
// whose names clash (TRUE, RGB, MB_OK, IDOK, DWORD, ACCEL, CreateFont...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::win32 {

// A native window handle (an HWND) as a number; 0 is none.
using NativeWindow = std::uintptr_t;

struct NativeRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The arguments of CreateFontA.
struct NativeFont {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  std::string faceName;
  bool operator==(const NativeFont&) const = default;
};

// Row by row from the top, 0xAARRGGBB per pixel.
struct NativeIcon {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

struct NativeMenuItem {
  std::string text;
  unsigned id = 0;
  bool separator = false;
  bool enabled = true;
  bool isPopup = false;
  std::vector<NativeMenuItem> popup;
};

struct NativeAccel {
  std::uint8_t flags = 0;  // FVIRTKEY, FSHIFT, FCONTROL, FALT
  std::uint16_t key = 0;
  std::uint16_t command = 0;
};

struct NativeCaret {
  NativeWindow owner = 0;
  bool exists = false;
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
  bool visible = false;
  unsigned blinkTimeMs = 500;
};

// What the windows report to the framework.
class NativeEvents {
 public:
  virtual ~NativeEvents() = default;
  virtual void timer(NativeWindow window, std::uintptr_t id) = 0;
  virtual void keyDown(NativeWindow window, unsigned key, unsigned repeat, unsigned flags) = 0;
  // The mouse wheel turned by delta (120 a notch, positive away from the user).
  virtual void wheel(NativeWindow window, int delta) = 0;
  virtual void paint(NativeWindow window) = 0;
  // A menu item or an accelerator of a frame.
  virtual void command(NativeWindow frame, unsigned id) = 0;
  // A popup of the frame's menu bar at barIndex opens (-1: not one of the
  // bar's own popups, such as the system menu).
  virtual void initMenuPopup(NativeWindow frame, int barIndex, bool systemMenu) = 0;
  virtual void dropFile(NativeWindow frame, const std::string& path) = 0;
  virtual void close(NativeWindow frame) = 0;
  // The screen update scheduled for a view falls due.
  virtual void screenDue(NativeWindow view) = 0;
};

}  // namespace platform::win32
