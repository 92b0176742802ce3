#include "platform/win32/win32_dialog.h"

#include <windows.h>

#include <algorithm>
#include <map>

#include "platform/win32/icon_file.h"

namespace platform::win32 {
namespace {

constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kComboBoxAtom = 0x0085;

void appendText(std::vector<std::uint16_t>& words, const std::string& text) {
  if (!text.empty()) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    for (wchar_t c : wide) words.push_back(static_cast<std::uint16_t>(c));
  }
  words.push_back(0);
}

void appendDword(std::vector<std::uint16_t>& words, DWORD value) {
  words.push_back(static_cast<std::uint16_t>(value & 0xFFFF));
  words.push_back(static_cast<std::uint16_t>(value >> 16));
}

void appendShort(std::vector<std::uint16_t>& words, int value) {
  words.push_back(static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
}

std::pair<std::uint16_t, DWORD> classAndStyle(const NativeControl& control) {
  switch (control.kind) {
    case NativeControlKind::DefPushButton:
      return {kButtonAtom, BS_DEFPUSHBUTTON | BS_NOTIFY};
    case NativeControlKind::PushButton:
      return {kButtonAtom, BS_PUSHBUTTON | BS_NOTIFY};
    case NativeControlKind::GroupBox:
      return {kButtonAtom, BS_GROUPBOX};
    case NativeControlKind::CheckBox:
      return {kButtonAtom, BS_AUTOCHECKBOX | BS_NOTIFY};
    case NativeControlKind::Label:
      return {kStaticAtom, static_cast<DWORD>(SS_LEFT | (control.noPrefix ? SS_NOPREFIX : 0) |
                                              (control.centerVertically ? SS_CENTERIMAGE : 0))};
    case NativeControlKind::Icon:
      return {kStaticAtom, SS_ICON};
    case NativeControlKind::ComboBox:
      return {kComboBoxAtom, CBS_DROPDOWN | CBS_AUTOHSCROLL};
    case NativeControlKind::Edit:
      return {kEditAtom, ES_AUTOHSCROLL | ES_LEFT};
  }
  return {kStaticAtom, SS_LEFT};
}

// The state of one running dialog, reached through DWLP_USER.
struct RunningDialog {
  const NativeDialog* dialog = nullptr;
  NativeDialogEvents* events = nullptr;
  std::map<HWND, const NativeControl*> controlOf;  // every control window
  std::vector<HICON> icons;
  HBRUSH face = nullptr;
  HBRUSH field = nullptr;
};

// Changes made by the program are not the user's: no report back.
int programChanges = 0;

RunningDialog* runningOf(HWND dialog) {
  return reinterpret_cast<RunningDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Over the middle of its owner, as the framework's dialogs open.
void centreOnOwner(HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  RECT area{};
  if (owner == nullptr || !GetWindowRect(owner, &area)) {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own{};
  GetWindowRect(window, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const int x = std::max(0, static_cast<int>(area.left + (area.right - area.left - width) / 2));
  const int y = std::max(0, static_cast<int>(area.top + (area.bottom - area.top - height) / 2));
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void initialise(HWND window, RunningDialog& running) {
  SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(&running));
  centreOnOwner(window);
  // The dialog manager makes the controls in template order.
  std::size_t index = 0;
  for (HWND child = GetWindow(window, GW_CHILD);
       child != nullptr && index < running.dialog->controls.size();
       child = GetWindow(child, GW_HWNDNEXT), ++index) {
    const NativeControl& control = running.dialog->controls[index];
    running.controlOf[child] = &control;
    if (control.kind == NativeControlKind::Icon) {
      auto icon = reinterpret_cast<HICON>(makeNativeIcon(control.icon));
      if (icon != nullptr) {
        running.icons.push_back(icon);
        SendMessageA(child, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
      }
    }
  }
}

INT_PTR colour(HWND control, HDC dc, RunningDialog& running, bool field) {
  auto found = running.controlOf.find(control);
  if (found == running.controlOf.end() || !found->second->textColour) return FALSE;
  SetTextColor(dc, *found->second->textColour);
  SetBkColor(dc, GetSysColor(field ? COLOR_WINDOW : COLOR_BTNFACE));
  return reinterpret_cast<INT_PTR>(field ? running.field : running.face);
}

void command(WPARAM wParam, LPARAM lParam, RunningDialog& running) {
  const int id = static_cast<std::int16_t>(LOWORD(wParam));
  const unsigned code = HIWORD(wParam);
  auto control = reinterpret_cast<HWND>(lParam);
  NativeDialogEvents& events = *running.events;
  if (control == nullptr) {
    if (id == IDOK) events.enter();
    if (id == IDCANCEL) events.cancel();
    return;
  }
  if (programChanges > 0) return;
  auto found = running.controlOf.find(control);
  if (found == running.controlOf.end()) return;
  switch (found->second->kind) {
    case NativeControlKind::DefPushButton:
    case NativeControlKind::PushButton:
    case NativeControlKind::CheckBox:
      if (code == BN_CLICKED) events.clicked(id);
      if (code == BN_SETFOCUS) events.focused(id);
      break;
    case NativeControlKind::ComboBox:
      if (code == CBN_SELCHANGE) {
        events.itemSelected(id, static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
      } else if (code == CBN_EDITCHANGE) {
        char text[256] = {};
        GetWindowTextA(control, text, sizeof text);
        events.textTyped(id, text);
      } else if (code == CBN_SETFOCUS) {
        events.focused(id);
      }
      break;
    case NativeControlKind::Edit:
      if (code == EN_CHANGE) {
        char text[256] = {};
        GetWindowTextA(control, text, sizeof text);
        events.textTyped(id, text);
      } else if (code == EN_SETFOCUS) {
        events.focused(id);
      }
      break;
    default:
      break;
  }
}

INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* running = reinterpret_cast<RunningDialog*>(lParam);
    initialise(window, *running);
    running->events->initDialog(reinterpret_cast<NativeWindow>(window));
    return FALSE;  // the framework has put the focus where it belongs
  }
  RunningDialog* running = runningOf(window);
  if (running == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      command(wParam, lParam, *running);
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return colour(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), *running, false);
    case WM_CTLCOLOREDIT:
      return colour(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), *running, true);
    default:
      return FALSE;
  }
}

}  // namespace

std::vector<std::uint16_t> buildDialogTemplate(const NativeDialog& dialog) {
  std::vector<std::uint16_t> words;
  appendDword(words, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
  appendDword(words, 0);
  words.push_back(static_cast<std::uint16_t>(dialog.controls.size()));
  appendShort(words, 0);
  appendShort(words, 0);
  appendShort(words, dialog.cx);
  appendShort(words, dialog.cy);
  words.push_back(0);  // no menu
  words.push_back(0);  // the dialog manager's own class
  appendText(words, dialog.caption);
  words.push_back(static_cast<std::uint16_t>(dialog.pointSize));
  appendText(words, dialog.fontName);
  for (const auto& control : dialog.controls) {
    if (words.size() % 2 != 0) words.push_back(0);
    const auto [atom, style] = classAndStyle(control);
    DWORD flags = WS_CHILD | WS_VISIBLE | style;
    if (control.tabStop) flags |= WS_TABSTOP;
    if (control.border) flags |= WS_BORDER;
    if (control.verticalScroll) flags |= WS_VSCROLL;
    appendDword(words, flags);
    appendDword(words, 0);
    appendShort(words, control.x);
    appendShort(words, control.y);
    appendShort(words, control.cx);
    appendShort(words, control.cy);
    words.push_back(static_cast<std::uint16_t>(control.id));
    words.push_back(0xFFFF);
    words.push_back(atom);
    appendText(words, control.kind == NativeControlKind::Icon ? std::string() : control.caption);
    words.push_back(0);  // no creation data
  }
  return words;
}

int runNativeDialog(NativeWindow owner, const NativeDialog& dialog, NativeDialogEvents& events,
                    unsigned long* lastError) {
  const std::vector<std::uint16_t> words = buildDialogTemplate(dialog);
  RunningDialog running;
  running.dialog = &dialog;
  running.events = &events;
  running.face = GetSysColorBrush(COLOR_BTNFACE);
  running.field = GetSysColorBrush(COLOR_WINDOW);
  SetLastError(0);
  const INT_PTR result = DialogBoxIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
      reinterpret_cast<HWND>(owner), dialogProc, reinterpret_cast<LPARAM>(&running));
  if (lastError != nullptr) *lastError = result == -1 ? GetLastError() : 0;
  for (HICON icon : running.icons) DestroyIcon(icon);
  return static_cast<int>(result);
}

void endNativeDialog(NativeWindow dialog, int result) {
  EndDialog(reinterpret_cast<HWND>(dialog), result);
}

void applyNativeControlState(NativeWindow dialogWindow, int id, NativeControlKind kind,
                             const NativeControlState& state) {
  HWND dialog = reinterpret_cast<HWND>(dialogWindow);
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return;
  ++programChanges;
  EnableWindow(control, state.enabled ? TRUE : FALSE);
  char shown[256] = {};
  GetWindowTextA(control, shown, sizeof shown);
  const bool textDiffers = state.text != shown;
  switch (kind) {
    case NativeControlKind::ComboBox: {
      const auto count = static_cast<std::size_t>(SendMessageA(control, CB_GETCOUNT, 0, 0));
      if (count != state.items.size()) {
        SendMessageA(control, CB_RESETCONTENT, 0, 0);
        for (const auto& item : state.items) {
          SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
      }
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(state.selection), 0);
      SendMessageA(control, CB_LIMITTEXT, static_cast<WPARAM>(state.textLimit), 0);
      GetWindowTextA(control, shown, sizeof shown);
      if (state.text != shown) SetWindowTextA(control, state.text.c_str());
      break;
    }
    case NativeControlKind::Edit:
      SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(state.textLimit), 0);
      if (textDiffers) SetWindowTextA(control, state.text.c_str());
      break;
    case NativeControlKind::CheckBox:
      SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(state.check), 0);
      if (textDiffers) SetWindowTextA(control, state.text.c_str());
      break;
    case NativeControlKind::Icon:
      break;
    default:
      if (textDiffers) SetWindowTextA(control, state.text.c_str());
      break;
  }
  --programChanges;
}

void focusNativeControl(NativeWindow dialogWindow, int id) {
  HWND dialog = reinterpret_cast<HWND>(dialogWindow);
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr || GetFocus() == control) return;
  ++programChanges;
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  --programChanges;
}

}  // namespace platform::win32
