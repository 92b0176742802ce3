// Drives the running monitor from outside, as a user would: finds its main
// window by title, sends menu commands, fills in and confirms the file
// dialog. Used by the desktop smoke test under Wine.
//
//   desktop_driver wait TITLE              the window exists (prints its size)
//   desktop_driver command TITLE ID        a menu command
//   desktop_driver save TITLE ID PATH      a command that opens a file dialog;
//                                          PATH goes into it and is confirmed
//   desktop_driver cancel TITLE ID         a command that opens a file dialog,
//                                          which is then cancelled
//   desktop_driver box TITLE CAPTION       waits for the program's message box
//                                          of that caption, prints its text and
//                                          presses OK
//   desktop_driver view TITLE PATH         the view's client area, as it shows
//                                          on the screen, into a PPM image;
//                                          prints where the caret stands
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

struct BoxSearch {
  DWORD thread;
  const char* caption;
  HWND found;
};

BOOL CALLBACK findMessageBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<BoxSearch*>(data);
  char className[64] = {};
  char caption[128] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if (GetWindowThreadProcessId(window, nullptr) == search->thread &&
      std::string(className) == "#32770" && IsWindowVisible(window) &&
      std::string(caption) == search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A message box keeps its text in a static control; its icon is one too,
// without text.
BOOL CALLBACK collectStaticText(HWND child, LPARAM data) {
  char className[64] = {};
  GetClassNameA(child, className, sizeof className);
  if (std::string(className) == "Static") {
    char text[1024] = {};
    GetWindowTextA(child, text, sizeof text);
    *reinterpret_cast<std::string*>(data) += text;
  }
  return TRUE;
}

bool waitUntilGone(HWND window) {
  const DWORD start = GetTickCount();
  while (IsWindow(window) && GetTickCount() - start < kWaitMs) Sleep(50);
  return !IsWindow(window);
}

// Copies what the screen shows of the window's client area: the program's
// own drawing, not a fresh paint on request.
bool writeClientImage(HWND window, const char* path) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int width = client.right;
  const int height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, image);
  const bool copied =
      BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY) != FALSE;
  bool written = false;
  if (copied) {
    if (std::FILE* out = std::fopen(path, "wb")) {
      std::fprintf(out, "P6\n%d %d\n255\n", width, height);
      const auto* bgrx = static_cast<const unsigned char*>(bits);
      for (int i = 0; i < width * height; ++i) {
        const unsigned char rgb[3] = {bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]};
        std::fwrite(rgb, 1, sizeof rgb, out);
      }
      written = std::fclose(out) == 0;
    }
  }
  SelectObject(memory, previous);
  DeleteObject(image);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

int fail(const char* what) {
  std::fprintf(stderr, "desktop_driver: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return fail("usage: wait|command|save|cancel|box|view|close|list TITLE ...");
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
    return waitUntilGone(dialog) ? 0 : fail("the file dialog stayed open");
  }
  if (action == "cancel" && argc == 4) {
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), 0), 0);
    HWND dialog = waitForFileDialog(frame);
    if (dialog == nullptr) return fail("no file dialog came up");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    return waitUntilGone(dialog) ? 0 : fail("the file dialog stayed open");
  }
  if (action == "box" && argc == 4) {
    BoxSearch search{GetWindowThreadProcessId(frame, nullptr), argv[3], nullptr};
    const DWORD start = GetTickCount();
    while (search.found == nullptr && GetTickCount() - start < kWaitMs) {
      EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&search));
      if (search.found == nullptr) Sleep(50);
    }
    if (search.found == nullptr) return fail("no message box of that caption came up");
    std::string text;
    EnumChildWindows(search.found, collectStaticText, reinterpret_cast<LPARAM>(&text));
    std::printf("%s\n", text.c_str());
    PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(search.found, IDOK)));
    return waitUntilGone(search.found) ? 0 : fail("the message box stayed open");
  }
  if (action == "view" && argc == 4) {
    HWND view = FindWindowExA(frame, nullptr, "KorvaneView", nullptr);
    if (view == nullptr) return fail("the frame has no view");
    if (!writeClientImage(view, argv[3])) return fail("cannot copy the view from the screen");
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(view, nullptr), &thread)) {
      return fail("cannot ask where the caret is");
    }
    std::printf("caret %s %ld,%ld\n", thread.hwndCaret == view ? "view" : "elsewhere",
                thread.rcCaret.left, thread.rcCaret.top);
    return 0;
  }
  if (action == "close") {
    PostMessageA(frame, WM_CLOSE, 0, 0);
    return waitUntilGone(frame) ? 0 : fail("the window stayed open");
  }
  return fail("unknown action");
}
