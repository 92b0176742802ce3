// What the tests look at and do on the real windows, through plain
// functions: the test files see the framework and must not see <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/native_window.h"

namespace probe {

using platform::win32::NativeWindow;

// The visible dialog-manager window (a dialog, message box or file dialog)
// of this thread, or 0.
NativeWindow openDialog();
bool isFileDialog(NativeWindow dialog);
// The names an explorer-style file dialog lists now, and its file type box's
// selected entry.
std::vector<std::string> fileDialogNames(NativeWindow dialog);
std::string fileDialogType(NativeWindow dialog);
// A click on a dialog's button by id, as the user's would arrive.
void clickButton(NativeWindow dialog, int id);
// A click on a check box: its mark flips and the dialog hears of it.
void clickCheckBox(NativeWindow dialog, int id);
std::string windowText(NativeWindow window);
// What typing a text into an edit field, and picking a drop-down's item,
// tell the dialog.
void typeText(NativeWindow dialog, int id, const std::string& text);
void pickItem(NativeWindow dialog, int id, int index);

struct Control {
  bool exists = false;
  std::string className;
  std::string text;
  int listCount = -1;  // a drop-down's items
  int textLimit = -1;  // an edit field's, or a drop-down's edit field's
  bool enabled = false;
  bool checked = false;
  std::uint32_t textColour = 0;  // as the dialog sets it for drawing the control
};
Control control(NativeWindow dialog, int id);
// The text colour the dialog uses for a control with no id, by template
// order among the dialog's child windows.
std::uint32_t textColourOfChild(NativeWindow dialog, int childIndex);
// The colour of text the dialog leaves to the system.
std::uint32_t systemTextColour();

struct Caret {
  NativeWindow owner = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
Caret caret();
unsigned caretBlinkTime();
void setCaretBlinkTime(unsigned ms);
// Part of the window's client area is to be painted again, as when another
// window uncovers it; the paint comes with the next messages.
void invalidatePart(NativeWindow window, int left, int top, int right, int bottom);
void setFocus(NativeWindow window);
NativeWindow focus();
// A plain top-level window to take the focus elsewhere; destroyWindow ends it.
NativeWindow makeWindow();
void destroyWindow(NativeWindow window);

// The mouse wheel turned by delta over the window that has the focus.
void turnWheel(NativeWindow window, int delta);
void sendKeyDown(NativeWindow window, unsigned virtualKey, unsigned scanCode, bool extended,
                 unsigned repeat);
// Opens the popup at index of the frame's menu bar as far as its
// initialisation, then reads an item's state: 1 enabled, 0 greyed, -1 none.
void initPopup(NativeWindow frame, int index);
// Opens the popup at index of the frame's menu bar as the user would, and
// returns once it closes; the menu's own loop runs meanwhile.
void trackPopup(NativeWindow frame, int index);
bool inMenu();
void closeMenus();
int menuItemEnabled(NativeWindow frame, unsigned id);

// Files dropped on a window, as the shell delivers them.
void dropFiles(NativeWindow window, const std::vector<std::string>& paths);
// Keys pressed and released as the keyboard would, modifiers held around key.
void pressKeys(const std::vector<unsigned>& modifiers, unsigned virtualKey);
// The window's big and small icons are set.
bool hasIcons(NativeWindow window);

std::uint32_t pixel(NativeWindow window, int x, int y);
// The client area's pixels, row by row, each as a COLORREF (0x00BBGGRR).
std::vector<std::uint32_t> clientPixels(NativeWindow window, int* width, int* height);

// The default value of HKEY_CURRENT_USER\Software\Classes\<path>; empty
// when absent. deleteUserClass removes the key and all below it.
std::string userClassValue(const std::string& path);
void deleteUserClass(const std::string& path);
// Handles the thread's messages for a while.
void pump(int ms);

}  // namespace probe
