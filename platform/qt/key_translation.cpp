#include "platform/qt/key_translation.h"

#include <Qt>
#include <array>
#include <utility>

namespace platform::qt {
namespace {

constexpr std::uint32_t kEvdevOffset = 8;
constexpr std::uint32_t kLastPlainEvdev = 88;  // evdev 1..88 equal their set-1 codes

struct EvdevExtended {
  std::uint32_t evdev;
  BYTE code;
};

// Keys outside 1..88 that have a set-1 code, all E0-prefixed except Pause.
constexpr std::array<EvdevExtended, 18> kEvdevExtended = {{
    {96, 0x1C},   // keypad Enter
    {97, 0x1D},   // right Ctrl
    {98, 0x35},   // keypad /
    {99, 0x37},   // Print Screen
    {100, 0x38},  // right Alt
    {102, 0x47},  // Home
    {103, 0x48},  // Up
    {104, 0x49},  // Page Up
    {105, 0x4B},  // Left
    {106, 0x4D},  // Right
    {107, 0x4F},  // End
    {108, 0x50},  // Down
    {109, 0x51},  // Page Down
    {110, 0x52},  // Insert
    {111, 0x53},  // Delete
    {125, 0x5B},  // left logo key
    {126, 0x5C},  // right logo key
    {127, 0x5D},  // menu key
}};

constexpr std::uint32_t kEvdevPause = 119;

struct KeyCode {
  int key;
  BYTE code;
};

// The cursor block; on the keypad the same codes without the E0 prefix.
constexpr std::array<KeyCode, 11> kCursorBlock = {{
    {Qt::Key_Home, 0x47},
    {Qt::Key_Up, 0x48},
    {Qt::Key_PageUp, 0x49},
    {Qt::Key_Left, 0x4B},
    {Qt::Key_Clear, 0x4C},
    {Qt::Key_Right, 0x4D},
    {Qt::Key_End, 0x4F},
    {Qt::Key_Down, 0x50},
    {Qt::Key_PageDown, 0x51},
    {Qt::Key_Insert, 0x52},
    {Qt::Key_Delete, 0x53},
}};

// Keypad keys with Num Lock on.
constexpr std::array<KeyCode, 15> kKeypad = {{
    {Qt::Key_7, 0x47},
    {Qt::Key_8, 0x48},
    {Qt::Key_9, 0x49},
    {Qt::Key_Minus, 0x4A},
    {Qt::Key_4, 0x4B},
    {Qt::Key_5, 0x4C},
    {Qt::Key_6, 0x4D},
    {Qt::Key_Plus, 0x4E},
    {Qt::Key_1, 0x4F},
    {Qt::Key_2, 0x50},
    {Qt::Key_3, 0x51},
    {Qt::Key_0, 0x52},
    {Qt::Key_Period, 0x53},
    {Qt::Key_Asterisk, 0x37},
    {Qt::Key_Comma, 0x53},
}};

// The main block of a US keyboard, shifted symbols on their key.
constexpr std::array<KeyCode, 90> kMainBlock = {{
    {Qt::Key_Escape, 0x01},
    {Qt::Key_1, 0x02},
    {Qt::Key_Exclam, 0x02},
    {Qt::Key_2, 0x03},
    {Qt::Key_At, 0x03},
    {Qt::Key_3, 0x04},
    {Qt::Key_NumberSign, 0x04},
    {Qt::Key_4, 0x05},
    {Qt::Key_Dollar, 0x05},
    {Qt::Key_5, 0x06},
    {Qt::Key_Percent, 0x06},
    {Qt::Key_6, 0x07},
    {Qt::Key_AsciiCircum, 0x07},
    {Qt::Key_7, 0x08},
    {Qt::Key_Ampersand, 0x08},
    {Qt::Key_8, 0x09},
    {Qt::Key_Asterisk, 0x09},
    {Qt::Key_9, 0x0A},
    {Qt::Key_ParenLeft, 0x0A},
    {Qt::Key_0, 0x0B},
    {Qt::Key_ParenRight, 0x0B},
    {Qt::Key_Minus, 0x0C},
    {Qt::Key_Underscore, 0x0C},
    {Qt::Key_Equal, 0x0D},
    {Qt::Key_Plus, 0x0D},
    {Qt::Key_Backspace, 0x0E},
    {Qt::Key_Tab, 0x0F},
    {Qt::Key_Backtab, 0x0F},
    {Qt::Key_Q, 0x10},
    {Qt::Key_W, 0x11},
    {Qt::Key_E, 0x12},
    {Qt::Key_R, 0x13},
    {Qt::Key_T, 0x14},
    {Qt::Key_Y, 0x15},
    {Qt::Key_U, 0x16},
    {Qt::Key_I, 0x17},
    {Qt::Key_O, 0x18},
    {Qt::Key_P, 0x19},
    {Qt::Key_BracketLeft, 0x1A},
    {Qt::Key_BraceLeft, 0x1A},
    {Qt::Key_BracketRight, 0x1B},
    {Qt::Key_BraceRight, 0x1B},
    {Qt::Key_Return, 0x1C},
    {Qt::Key_Enter, 0x1C},
    {Qt::Key_Control, 0x1D},
    {Qt::Key_A, 0x1E},
    {Qt::Key_S, 0x1F},
    {Qt::Key_D, 0x20},
    {Qt::Key_F, 0x21},
    {Qt::Key_G, 0x22},
    {Qt::Key_H, 0x23},
    {Qt::Key_J, 0x24},
    {Qt::Key_K, 0x25},
    {Qt::Key_L, 0x26},
    {Qt::Key_Semicolon, 0x27},
    {Qt::Key_Colon, 0x27},
    {Qt::Key_Apostrophe, 0x28},
    {Qt::Key_QuoteDbl, 0x28},
    {Qt::Key_QuoteLeft, 0x29},
    {Qt::Key_AsciiTilde, 0x29},
    {Qt::Key_Shift, 0x2A},
    {Qt::Key_Backslash, 0x2B},
    {Qt::Key_Bar, 0x2B},
    {Qt::Key_Z, 0x2C},
    {Qt::Key_X, 0x2D},
    {Qt::Key_C, 0x2E},
    {Qt::Key_V, 0x2F},
    {Qt::Key_B, 0x30},
    {Qt::Key_N, 0x31},
    {Qt::Key_M, 0x32},
    {Qt::Key_Comma, 0x33},
    {Qt::Key_Less, 0x33},
    {Qt::Key_Period, 0x34},
    {Qt::Key_Greater, 0x34},
    {Qt::Key_Slash, 0x35},
    {Qt::Key_Question, 0x35},
    {Qt::Key_Alt, 0x38},
    {Qt::Key_Space, 0x39},
    {Qt::Key_CapsLock, 0x3A},
    {Qt::Key_NumLock, 0x45},
    {Qt::Key_ScrollLock, 0x46},
    {Qt::Key_F11, 0x57},
    {Qt::Key_F12, 0x58},
    {Qt::Key_Pause, 0x45},
    {Qt::Key_Meta, 0x5B},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Print, 0x37},
}};

template <std::size_t N>
BYTE lookUp(const std::array<KeyCode, N>& table, int key) {
  for (const auto& entry : table) {
    if (entry.key == key) return entry.code;
  }
  return 0;
}

}  // namespace

ScanCode scanCodeFromNative(std::uint32_t nativeScanCode) {
  if (nativeScanCode <= kEvdevOffset) return {};
  const std::uint32_t evdev = nativeScanCode - kEvdevOffset;
  if (evdev <= kLastPlainEvdev) return {static_cast<BYTE>(evdev), false};
  if (evdev == kEvdevPause) return {0x45, false};
  for (const auto& entry : kEvdevExtended) {
    if (entry.evdev == evdev) return {entry.code, true};
  }
  return {};
}

ScanCode scanCodeFromQtKey(int qtKey, bool keypad) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) {
    return {static_cast<BYTE>(0x3B + (qtKey - Qt::Key_F1)), false};
  }
  if (const BYTE cursor = lookUp(kCursorBlock, qtKey); cursor != 0) {
    // Num Lock off: the keypad sends the cursor keys with its own codes.
    return {cursor, !keypad};
  }
  if (keypad) {
    if (qtKey == Qt::Key_Enter || qtKey == Qt::Key_Return) return {0x1C, true};
    if (qtKey == Qt::Key_Slash) return {0x35, true};
    if (const BYTE code = lookUp(kKeypad, qtKey); code != 0) return {code, false};
  }
  return {lookUp(kMainBlock, qtKey), false};
}

ScanCode translateScanCode(std::uint32_t nativeScanCode, int qtKey, bool keypad) {
  const ScanCode native = scanCodeFromNative(nativeScanCode);
  return native.code != 0 ? native : scanCodeFromQtKey(qtKey, keypad);
}

UINT keyDownFlags(ScanCode scan, bool autoRepeat) {
  UINT flags = scan.code;
  if (scan.extended) flags |= 0x0100;
  if (autoRepeat) flags |= 0x4000;
  return flags;
}

namespace {

struct VirtualKey {
  int key;
  UINT vk;
};

constexpr std::array<VirtualKey, 22> kVirtualKeys = {{
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, 0x09},      {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D},       {Qt::Key_Enter, 0x0D},    {Qt::Key_Shift, 0x10},
    {Qt::Key_Control, 0x11},      {Qt::Key_Alt, 0x12},      {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},     {Qt::Key_Escape, 0x1B},   {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},       {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},         {Qt::Key_Left, 0x25},     {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},        {Qt::Key_Down, 0x28},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
}};

constexpr UINT kVkNumpad0 = 0x60;
constexpr UINT kVkF1 = 0x70;

}  // namespace

UINT virtualKeyFromQtKey(int qtKey, bool keypad) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    const auto digit = static_cast<UINT>(qtKey - Qt::Key_0);
    return keypad ? kVkNumpad0 + digit : '0' + digit;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<UINT>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    return kVkF1 + static_cast<UINT>(qtKey - Qt::Key_F1);
  }
  for (const auto& entry : kVirtualKeys) {
    if (entry.key == qtKey) return entry.vk;
  }
  return 0;
}

int qtKeyFromVirtualKey(UINT virtualKey) {
  if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
    return static_cast<int>(virtualKey);  // Qt::Key_0.. and Qt::Key_A.. are ASCII
  }
  if (virtualKey >= kVkF1 && virtualKey < kVkF1 + 24) {
    return Qt::Key_F1 + static_cast<int>(virtualKey - kVkF1);
  }
  for (const auto& entry : kVirtualKeys) {
    if (entry.vk == virtualKey) return entry.key;
  }
  return 0;
}

}  // namespace platform::qt
