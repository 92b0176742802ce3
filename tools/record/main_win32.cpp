// korvane-record on Windows: the recorder over the communications functions,
// remote lines and the settings the monitor keeps in the registry.
#include "platform/network/folder_entry.h"
#include "platform/network/port_router.h"
#include "platform/network/remote_lines.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/system_registry.h"
#include "tools/record/recorder_program.h"

int main(int argc, char** argv) {
  platform::win32::SerialDevices serialDevices;
  platform::network::RemoteLines remoteLines;
  platform::network::PortRouter ports(serialDevices, remoteLines,
                                      platform::network::applicationDataPortsFolder());
  platform::win32::SystemRegistry registry;
  return recorder::runRecorderProgram(argc, argv, ports, registry);
}
