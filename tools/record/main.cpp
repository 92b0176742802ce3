// korvane-record: the monitor's capture without its window, for captures
// longer than the window's store holds. This is where the recorder meets
// the Linux backends: termios serial devices, remote lines and the settings
// file.
#include "platform/network/port_router.h"
#include "platform/network/remote_lines.h"
#include "platform/posix/config_paths.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/serial_device.h"
#include "tools/record/recorder_program.h"

int main(int argc, char** argv) {
  platform::posix::SerialDevices serialDevices(platform::posix::portsFolder());
  platform::network::RemoteLines remoteLines;
  platform::network::PortRouter ports(serialDevices, remoteLines, platform::posix::portsFolder());
  platform::posix::HiveFileRegistry settingsFile(platform::posix::hiveFilePath());
  return recorder::runRecorderProgram(argc, argv, ports, settingsFile);
}
