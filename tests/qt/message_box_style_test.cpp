#include "platform/qt/message_box_style.h"

#include <gtest/gtest.h>

using platform::qt::BoxButtons;
using platform::qt::BoxIcon;
using platform::qt::BoxLayout;
using platform::qt::boxLayoutForStyle;
using platform::qt::dismissResult;

TEST(MessageBoxStyle, TheThreeStylesInUseGiveTheirIconsAndButtons) {
  EXPECT_EQ(boxLayoutForStyle(0), (BoxLayout{BoxIcon::None, BoxButtons::Ok}));
  EXPECT_EQ(boxLayoutForStyle(16), (BoxLayout{BoxIcon::Stop, BoxButtons::Ok}));
  EXPECT_EQ(boxLayoutForStyle(49), (BoxLayout{BoxIcon::Exclamation, BoxButtons::OkCancel}));
}

TEST(MessageBoxStyle, OtherIconBitsAndButtonSets) {
  EXPECT_EQ(boxLayoutForStyle(0x20).icon, BoxIcon::Question);
  EXPECT_EQ(boxLayoutForStyle(0x40).icon, BoxIcon::Information);
  EXPECT_EQ(boxLayoutForStyle(MB_OKCANCEL).icon, BoxIcon::None);
  EXPECT_EQ(boxLayoutForStyle(MB_OKCANCEL).buttons, BoxButtons::OkCancel);
  EXPECT_EQ(boxLayoutForStyle(0x04).buttons, BoxButtons::OkCancel);  // never a box with no way out
}

TEST(MessageBoxStyle, ABoxClosedWithoutAButtonCancelsOnlyWhenItCan) {
  EXPECT_EQ(dismissResult(BoxButtons::Ok), IDOK);
  EXPECT_EQ(dismissResult(BoxButtons::OkCancel), IDCANCEL);
}
