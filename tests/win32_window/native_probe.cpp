#include "tests/win32_window/native_probe.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <string>

namespace probe {
namespace {

HWND hwndOf(NativeWindow window) { return reinterpret_cast<HWND>(window); }

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
      std::string(className) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

COLORREF colourFor(HWND dialog, HWND child) {
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  const std::string kind = className;
  UINT message = WM_CTLCOLORSTATIC;
  if (kind == "Edit" || kind == "ComboBox") message = WM_CTLCOLOREDIT;
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (kind == "Button" && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) message = WM_CTLCOLORBTN;
  HDC dc = CreateCompatibleDC(nullptr);
  SetTextColor(dc, RGB(1, 2, 3));  // not a colour the dialog would choose
  SendMessageA(dialog, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  const COLORREF colour = GetTextColor(dc);
  DeleteDC(dc);
  return colour;
}

}  // namespace

NativeWindow openDialog() {
  HWND found = nullptr;
  EnumWindows(findDialog, reinterpret_cast<LPARAM>(&found));
  return reinterpret_cast<NativeWindow>(found);
}

bool isFileDialog(NativeWindow dialog) {
  // The file name field of the explorer-style dialog.
  return GetDlgItem(hwndOf(dialog), 0x47C) != nullptr ||
         GetDlgItem(hwndOf(dialog), 0x480) != nullptr;
}

std::vector<std::string> fileDialogNames(NativeWindow dialog) {
  std::vector<std::string> names;
  HWND shellView = FindWindowExA(hwndOf(dialog), nullptr, "SHELLDLL_DefView", nullptr);
  HWND list = FindWindowExA(shellView, nullptr, "SysListView32", nullptr);
  if (list == nullptr) return names;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH] = {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    names.emplace_back(text);
  }
  return names;
}

std::string fileDialogType(NativeWindow dialog) {
  HWND types = GetDlgItem(hwndOf(dialog), 0x470);  // cmb1, the file type box
  const LRESULT selected = SendMessageA(types, CB_GETCURSEL, 0, 0);
  if (types == nullptr || selected < 0) return {};
  char text[MAX_PATH] = {};
  SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
  return text;
}

void turnWheel(NativeWindow window, int delta) {
  SendMessageA(hwndOf(window), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)),
               MAKELPARAM(10, 10));
}

void clickButton(NativeWindow dialog, int id) {
  HWND button = GetDlgItem(hwndOf(dialog), id);
  PostMessageA(hwndOf(dialog), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

void clickCheckBox(NativeWindow dialog, int id) {
  PostMessageA(GetDlgItem(hwndOf(dialog), id), BM_CLICK, 0, 0);
}

void typeText(NativeWindow dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(hwndOf(dialog), id), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(text.c_str()));
}

void pickItem(NativeWindow dialog, int id, int index) {
  HWND combo = GetDlgItem(hwndOf(dialog), id);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(hwndOf(dialog), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

std::string windowText(NativeWindow window) {
  char text[256] = {};
  GetWindowTextA(hwndOf(window), text, sizeof text);
  return text;
}

Control control(NativeWindow dialogWindow, int id) {
  HWND dialog = hwndOf(dialogWindow);
  HWND child = GetDlgItem(dialog, id);
  Control result;
  if (child == nullptr) return result;
  result.exists = true;
  char text[256] = {};
  GetClassNameA(child, text, sizeof text);
  result.className = text;
  GetWindowTextA(child, text, sizeof text);
  result.text = text;
  result.enabled = IsWindowEnabled(child) != FALSE;
  if (result.className == "ComboBox") {
    result.listCount = static_cast<int>(SendMessageA(child, CB_GETCOUNT, 0, 0));
    HWND edit = FindWindowExA(child, nullptr, "Edit", nullptr);
    if (edit != nullptr)
      result.textLimit = static_cast<int>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
  } else if (result.className == "Edit") {
    result.textLimit = static_cast<int>(SendMessageA(child, EM_GETLIMITTEXT, 0, 0));
  } else if (result.className == "Button") {
    result.checked = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  result.textColour = colourFor(dialog, child);
  return result;
}

std::uint32_t textColourOfChild(NativeWindow dialogWindow, int childIndex) {
  HWND dialog = hwndOf(dialogWindow);
  HWND child = GetWindow(dialog, GW_CHILD);
  for (int i = 0; i < childIndex && child != nullptr; ++i) child = GetWindow(child, GW_HWNDNEXT);
  return child != nullptr ? colourFor(dialog, child) : RGB(1, 2, 3);
}

std::uint32_t systemTextColour() { return GetSysColor(COLOR_BTNTEXT); }

Caret caret() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetCurrentThreadId(), &info) || info.hwndCaret == nullptr) return {};
  return {reinterpret_cast<NativeWindow>(info.hwndCaret), info.rcCaret.left, info.rcCaret.top,
          info.rcCaret.right - info.rcCaret.left, info.rcCaret.bottom - info.rcCaret.top};
}

unsigned caretBlinkTime() { return GetCaretBlinkTime(); }

void setCaretBlinkTime(unsigned ms) { SetCaretBlinkTime(ms); }

void invalidatePart(NativeWindow window, int left, int top, int right, int bottom) {
  const RECT part{left, top, right, bottom};
  InvalidateRect(hwndOf(window), &part, FALSE);
}

void setFocus(NativeWindow window) {
  HWND target = hwndOf(window);
  HWND top = GetAncestor(target, GA_ROOT);
  SetForegroundWindow(top);
  SetActiveWindow(top);
  SetFocus(target);
  pump(50);
}

NativeWindow focus() { return reinterpret_cast<NativeWindow>(GetFocus()); }

NativeWindow makeWindow() {
  HWND window = CreateWindowExA(0, "STATIC", "elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700,
                                500, 200, 100, nullptr, nullptr, nullptr, nullptr);
  return reinterpret_cast<NativeWindow>(window);
}

void destroyWindow(NativeWindow window) { DestroyWindow(hwndOf(window)); }

void sendKeyDown(NativeWindow window, unsigned virtualKey, unsigned scanCode, bool extended,
                 unsigned repeat) {
  const LPARAM flags = static_cast<LPARAM>(repeat & 0xFFFF) |
                       static_cast<LPARAM>((scanCode & 0xFF) << 16) |
                       (extended ? static_cast<LPARAM>(1) << 24 : 0);
  SendMessageA(hwndOf(window), WM_KEYDOWN, virtualKey, flags);
}

void initPopup(NativeWindow frame, int index) {
  HMENU bar = GetMenu(hwndOf(frame));
  SendMessageA(hwndOf(frame), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, index)),
               MAKELPARAM(index, FALSE));
}

void trackPopup(NativeWindow frame, int index) {
  HMENU popup = GetSubMenu(GetMenu(hwndOf(frame)), index);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, 20, 40, 0, hwndOf(frame),
                 nullptr);
}

bool inMenu() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetCurrentThreadId(), &info) &&
         (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
}

void closeMenus() { EndMenu(); }

int menuItemEnabled(NativeWindow frame, unsigned id) {
  const UINT state = GetMenuState(GetMenu(hwndOf(frame)), id, MF_BYCOMMAND);
  if (state == static_cast<UINT>(-1)) return -1;
  return (state & (MF_GRAYED | MF_DISABLED)) == 0 ? 1 : 0;
}

void dropFiles(NativeWindow window, const std::vector<std::string>& paths) {
  std::string names;
  for (const auto& path : paths) names += path + '\0';
  names += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  std::copy(names.begin(), names.end(), reinterpret_cast<char*>(drop + 1));
  GlobalUnlock(memory);
  // The receiver frees the drop with DragFinish.
  SendMessageA(hwndOf(window), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void pressKeys(const std::vector<unsigned>& modifiers, unsigned virtualKey) {
  std::vector<INPUT> inputs;
  auto key = [&](unsigned code, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(code);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  for (unsigned modifier : modifiers) key(modifier, false);
  key(virtualKey, false);
  key(virtualKey, true);
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) key(*it, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool hasIcons(NativeWindow window) {
  return SendMessageA(hwndOf(window), WM_GETICON, ICON_BIG, 0) != 0 &&
         SendMessageA(hwndOf(window), WM_GETICON, ICON_SMALL, 0) != 0;
}

std::uint32_t pixel(NativeWindow window, int x, int y) {
  HDC dc = GetDC(hwndOf(window));
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(hwndOf(window), dc);
  return colour;
}

std::vector<std::uint32_t> clientPixels(NativeWindow window, int* width, int* height) {
  RECT client{};
  GetClientRect(hwndOf(window), &client);
  *width = client.right;
  *height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(hwndOf(window));
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, image);
  BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(client.right * client.bottom));
  const auto* bgrx = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t p = bgrx[i];  // 0x00RRGGBB in memory order B, G, R
    pixels[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  SelectObject(memory, previous);
  DeleteObject(image);
  DeleteDC(memory);
  ReleaseDC(hwndOf(window), screen);
  return pixels;
}

std::string userClassValue(const std::string& path) {
  char value[512] = {};
  DWORD size = sizeof value;
  const std::string key = "Software\\Classes\\" + path;
  if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return value;
}

void deleteUserClass(const std::string& path) {
  const std::string key = "Software\\Classes\\" + path;
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

void pump(int ms) {
  const DWORD start = GetTickCount();
  MSG message{};
  while (GetTickCount() - start < static_cast<DWORD>(ms)) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  }
}

}  // namespace probe
