// Keyboard translation for the view: the PC set-1 scan code that the key
// handler tells keys apart by, the virtual-key code it is also given, and the
// keys of the accelerator table. Pure functions, free of widgets.
#pragma once

#include <cstdint>

#include "platform/framework/wintypes.h"

namespace platform::qt {

struct ScanCode {
  BYTE code = 0;          // PC scan code set 1; 0 when unknown
  bool extended = false;  // an E0-prefixed key (the dedicated cursor block)
  bool operator==(const ScanCode&) const = default;
};

// From the native scan code of an X11 or Wayland key event, which is the
// kernel's evdev code plus 8. Returns code 0 for a code it does not know.
ScanCode scanCodeFromNative(std::uint32_t nativeScanCode);

// From the Qt key (a Qt::Key value) and whether it came from the keypad,
// assuming a US layout; used where the platform gives no native code.
ScanCode scanCodeFromQtKey(int qtKey, bool keypad);

// The native code when it is known, else the Qt key.
ScanCode translateScanCode(std::uint32_t nativeScanCode, int qtKey, bool keypad);

// The flags word of a key-down message: the scan code in the low byte, bit 8
// for an extended key, bit 14 when the key was already down (auto-repeat).
UINT keyDownFlags(ScanCode scan, bool autoRepeat);

// Virtual-key code of a Qt key, best effort; 0 when there is none.
UINT virtualKeyFromQtKey(int qtKey, bool keypad);

// Qt key of a virtual-key code, for accelerators; 0 when there is none.
int qtKeyFromVirtualKey(UINT virtualKey);

}  // namespace platform::qt
