// Shows, or sets as another program would, the settings of a COM port that
// the Wine prefix's pseudo-terminal lets a test read back: the rate and
// XON/XOFF both ways.
//   port_state.exe PORT                 prints "baud=N inx=0|1 outx=0|1"
//   port_state.exe PORT BAUD INX OUTX   sets them, then prints them
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 5) {
    std::fprintf(stderr, "usage: port_state PORT [BAUD INX OUTX]\n");
    return 2;
  }
  const HANDLE port =
      CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "%s: cannot open (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  bool ok = GetCommState(port, &dcb) != FALSE;
  if (ok && argc == 5) {
    dcb.BaudRate = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    dcb.fInX = argv[3][0] == '1' ? 1 : 0;
    dcb.fOutX = argv[4][0] == '1' ? 1 : 0;
    ok = SetCommState(port, &dcb) != FALSE && GetCommState(port, &dcb) != FALSE;
  }
  CloseHandle(port);
  if (!ok) {
    std::fprintf(stderr, "%s: the port's settings cannot be read or set\n", argv[1]);
    return 1;
  }
  std::printf("baud=%lu inx=%u outx=%u\n", dcb.BaudRate, static_cast<unsigned>(dcb.fInX),
              static_cast<unsigned>(dcb.fOutX));
  return 0;
}
