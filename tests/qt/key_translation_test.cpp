#include "platform/qt/key_translation.h"

#include <gtest/gtest.h>

#include <Qt>

using platform::qt::keyDownFlags;
using platform::qt::qtKeyFromVirtualKey;
using platform::qt::ScanCode;
using platform::qt::scanCodeFromNative;
using platform::qt::scanCodeFromQtKey;
using platform::qt::translateScanCode;
using platform::qt::virtualKeyFromQtKey;

namespace {

constexpr std::uint32_t native(std::uint32_t evdev) { return evdev + 8; }

TEST(NativeScanCode, MainBlockEvdevCodesAreTheirOwnSetOneCodes) {
  for (std::uint32_t evdev = 1; evdev <= 88; ++evdev) {
    EXPECT_EQ(scanCodeFromNative(native(evdev)), (ScanCode{static_cast<BYTE>(evdev), false}))
        << "evdev " << evdev;
  }
}

TEST(NativeScanCode, CursorBlockIsExtendedWithTheKeypadCodes) {
  const std::pair<std::uint32_t, BYTE> cursorBlock[] = {
      {102, 0x47}, {103, 0x48}, {104, 0x49}, {105, 0x4B}, {106, 0x4D},
      {107, 0x4F}, {108, 0x50}, {109, 0x51}, {110, 0x52}, {111, 0x53}};
  for (const auto& [evdev, code] : cursorBlock) {
    EXPECT_EQ(scanCodeFromNative(native(evdev)), (ScanCode{code, true})) << "evdev " << evdev;
  }
}

TEST(NativeScanCode, UpAndKeypadEightGiveTheSameCode) {
  const ScanCode up = scanCodeFromNative(111);
  const ScanCode keypad8 = scanCodeFromNative(80);
  EXPECT_EQ(up.code, 0x48);
  EXPECT_EQ(keypad8.code, 0x48);
  EXPECT_TRUE(up.extended);
  EXPECT_FALSE(keypad8.extended);
}

TEST(NativeScanCode, UnknownOrMissingCodesGiveNothing) {
  EXPECT_EQ(scanCodeFromNative(0), ScanCode{});
  EXPECT_EQ(scanCodeFromNative(8), ScanCode{});  // evdev 0 is reserved
  EXPECT_EQ(scanCodeFromNative(native(89)), ScanCode{});
  EXPECT_EQ(scanCodeFromNative(native(240)), ScanCode{});
}

TEST(QtKeyScanCode, KeypadDigitsShareTheCursorCodesWithNumLockOnOrOff) {
  // Num Lock on: digits with the keypad flag; off: cursor keys with it.
  const std::tuple<int, int, BYTE> keypad[] = {
      {Qt::Key_8, Qt::Key_Up, 0x48},     {Qt::Key_2, Qt::Key_Down, 0x50},
      {Qt::Key_4, Qt::Key_Left, 0x4B},   {Qt::Key_6, Qt::Key_Right, 0x4D},
      {Qt::Key_9, Qt::Key_PageUp, 0x49}, {Qt::Key_3, Qt::Key_PageDown, 0x51},
      {Qt::Key_7, Qt::Key_Home, 0x47},   {Qt::Key_1, Qt::Key_End, 0x4F},
      {Qt::Key_0, Qt::Key_Insert, 0x52}, {Qt::Key_Period, Qt::Key_Delete, 0x53},
      {Qt::Key_5, Qt::Key_Clear, 0x4C}};
  for (const auto& [digit, cursor, code] : keypad) {
    EXPECT_EQ(scanCodeFromQtKey(digit, true), (ScanCode{code, false})) << "digit key " << digit;
    EXPECT_EQ(scanCodeFromQtKey(cursor, true), (ScanCode{code, false})) << "cursor key " << cursor;
    EXPECT_EQ(scanCodeFromQtKey(cursor, false), (ScanCode{code, true})) << "cursor key " << cursor;
  }
}

TEST(QtKeyScanCode, MainBlockDigitsAndLettersAreNotKeypadCodes) {
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_8, false).code, 0x09);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_1, false).code, 0x02);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_0, false).code, 0x0B);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_Asterisk, false).code, 0x09);  // Shift+8
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_Asterisk, true).code, 0x37);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_Q, false).code, 0x10);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_A, false).code, 0x1E);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_M, false).code, 0x32);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_F1, false).code, 0x3B);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_F10, false).code, 0x44);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_F12, false).code, 0x58);
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_Enter, true), (ScanCode{0x1C, true}));
  EXPECT_EQ(scanCodeFromQtKey(Qt::Key_unknown, false), ScanCode{});
}

TEST(TranslateScanCode, PrefersTheNativeCodeAndFallsBackToTheQtKey) {
  // A native code wins even where the Qt key would say otherwise.
  EXPECT_EQ(translateScanCode(native(72), Qt::Key_Up, false), (ScanCode{0x48, false}));
  EXPECT_EQ(translateScanCode(0, Qt::Key_Up, false), (ScanCode{0x48, true}));
  EXPECT_EQ(translateScanCode(0, Qt::Key_8, true), (ScanCode{0x48, false}));
  EXPECT_EQ(translateScanCode(native(240), Qt::Key_Down, false), (ScanCode{0x50, true}));
}

TEST(KeyDownFlags, ScanCodeInTheLowByteExtendedInBitEightRepeatInBitFourteen) {
  EXPECT_EQ(keyDownFlags({0x48, false}, false), 0x48u);
  EXPECT_EQ(keyDownFlags({0x48, true}, false), 0x148u);
  EXPECT_EQ(keyDownFlags({0x50, true}, true), 0x4150u);
  EXPECT_EQ(keyDownFlags({0x50, true}, true) & 0x7F, 0x50u);
}

TEST(VirtualKeys, QtKeysAndVirtualKeysMapBothWays) {
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_N, false), static_cast<UINT>('N'));
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_8, false), static_cast<UINT>('8'));
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_8, true), 0x68u);  // VK_NUMPAD8
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_Up, false), 0x26u);
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_PageDown, true), 0x22u);
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_F6, false), VK_F6);
  EXPECT_EQ(virtualKeyFromQtKey(Qt::Key_unknown, false), 0u);

  const UINT accelerated[] = {'N', 'O',     'S',       'Z',       'X',  'C',
                              'V', VK_BACK, VK_DELETE, VK_INSERT, VK_F6};
  for (const UINT vk : accelerated) {
    const int key = qtKeyFromVirtualKey(vk);
    ASSERT_NE(key, 0) << "virtual key " << vk;
    EXPECT_EQ(virtualKeyFromQtKey(key, false), vk);
  }
  EXPECT_EQ(qtKeyFromVirtualKey(VK_BACK), Qt::Key_Backspace);
  EXPECT_EQ(qtKeyFromVirtualKey(VK_F6), Qt::Key_F6);
  EXPECT_EQ(qtKeyFromVirtualKey(0xFF), 0);
}

}  // namespace
