// Drives the running monitor from outside, as a user would: finds its main
// window by title, sends menu commands, fills in and confirms the file
// dialog. Used by the desktop smoke test under Wine.
//
//   desktop_driver wait TITLE              the window exists (prints its size)
//   desktop_driver command TITLE ID        a menu command
//   desktop_driver save TITLE ID PATH      a command that opens a file dialog;
//                                          PATH goes into it and is confirmed
//   desktop_driver close TITLE             closes the window and waits for it
//   desktop_driver list TITLE              the program's top-level windows
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1

HWND waitForWindow(const char* title) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    if (HWND window = FindWindowA(nullptr, title)) return window;
    Sleep(50);
  }
  return nullptr;
}

struct DialogSearch {
  DWORD thread;
  HWND found;
};

BOOL CALLBACK findFileDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (GetWindowThreadProcessId(window, nullptr) == search->thread &&
      std::string(className) == "#32770" && IsWindowVisible(window) &&
      (GetDlgItem(window, kFileNameCombo) != nullptr ||
       GetDlgItem(window, kFileNameEdit) != nullptr)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND waitForFileDialog(HWND frame) {
  DialogSearch search{GetWindowThreadProcessId(frame, nullptr), nullptr};
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    EnumWindows(findFileDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  }
  return nullptr;
}

BOOL CALLBACK printWindow(HWND window, LPARAM thread) {
  if (GetWindowThreadProcessId(window, nullptr) != static_cast<DWORD>(thread)) return TRUE;
  char className[64] = {};
  char title[128] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  RECT rect{};
  GetWindowRect(window, &rect);
  std::printf("%s \"%s\" %ld,%ld %ldx%ld%s\n", className, title, rect.left, rect.top,
              rect.right - rect.left, rect.bottom - rect.top,
              IsWindowVisible(window) ? " visible" : "");
  return TRUE;
}

int fail(const char* what) {
  std::fprintf(stderr, "desktop_driver: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: wait|command|save|close TITLE ...");
  const std::string action = argv[1];
  HWND frame = waitForWindow(argv[2]);
  if (frame == nullptr) return fail("no window of that title");
  if (action == "wait") {
    RECT outer{};
    RECT client{};
    GetWindowRect(frame, &outer);
    GetClientRect(frame, &client);
    std::printf("window %ld x %ld, client %ld x %ld\n", outer.right - outer.left,
                outer.bottom - outer.top, client.right, client.bottom);
    return 0;
  }
  if (action == "list") {
    EnumWindows(printWindow, static_cast<LPARAM>(GetWindowThreadProcessId(frame, nullptr)));
    return 0;
  }
  if (action == "command" && argc == 4) {
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), 0), 0);
    return 0;
  }
  if (action == "save" && argc == 5) {
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), 0), 0);
    HWND dialog = waitForFileDialog(frame);
    if (dialog == nullptr) return fail("no file dialog came up");
    HWND name = GetDlgItem(dialog, kFileNameCombo);
    if (name == nullptr) name = GetDlgItem(dialog, kFileNameEdit);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    const DWORD start = GetTickCount();
    while (IsWindow(dialog) && GetTickCount() - start < kWaitMs) Sleep(50);
    return IsWindow(dialog) ? fail("the file dialog stayed open") : 0;
  }
  if (action == "close") {
    PostMessageA(frame, WM_CLOSE, 0, 0);
    const DWORD start = GetTickCount();
    while (IsWindow(frame) && GetTickCount() - start < kWaitMs) Sleep(50);
    return IsWindow(frame) ? fail("the window stayed open") : 0;
  }
  return fail("unknown action");
}
