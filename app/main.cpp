// The desktop program: the system over the Qt window backend, termios serial
// devices, remote lines and the settings file. This is the one place where system and
// backends meet.
#include "app/korvane_app.h"
#include "platform/comm/comm_backend.h"
#include "platform/network/port_router.h"
#include "platform/network/remote_lines.h"
#include "platform/posix/config_paths.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/serial_device.h"
#include "platform/qt/qt_window_system.h"
#include "platform/registry/registry_backend.h"

int main(int argc, char** argv) {
  // Qt takes its own options (such as -platform) out of argv here, so the
  // application sees only its file name.
  platform::qt::installQtWindowSystem(argc, argv);
  platform::posix::SerialDevices serialDevices(platform::posix::portsFolder());
  platform::network::RemoteLines remoteLines;
  platform::network::PortRouter ports(serialDevices, remoteLines, platform::posix::portsFolder());
  platform::installCommBackend(&ports);
  platform::posix::HiveFileRegistry settingsFile(platform::posix::hiveFilePath());
  platform::installRegistryBackend(&settingsFile);

  int status = 0;
  {
    CKORVANEApp theApp;
    status = AfxWinMain(argc, argv);
  }
  // The application object and its windows go first, while Qt still runs.
  platform::qt::shutDownQtApplication();
  return status;
}
